// Path confinement: a name from data never leads out of its folder. The
// folder holds a subfolder, a file, a link that leads outside, a link to
// itself and a dangling link; outside it lies a folder that must never
// change. Every accepted name gives base + "/" + its parts with no ".."
// and no "\", the deepest existing part of it resolves inside the folder,
// and making its folders never makes anything outside.
#include "fuzz_support.h"

#include "foundation/contained_path.h"

#include <climits>
#include <sys/stat.h>

using namespace zelvon;
using fuzz::require;
namespace fs = std::filesystem;

namespace {

struct Setup {
    fuzz::ScratchFolder scratch;
    fs::path base = scratch.path() / "base";
    fs::path outside = scratch.path() / "outside";
    std::string resolvedBase;
    std::string outsideSnapshot;

    Setup() {
        fs::create_directories(base / "sub");
        fs::create_directories(outside / "inner");
        fuzz::writeFile(base / "file", "x");
        fuzz::writeFile(outside / "secret", "y");
        fs::create_directory_symlink(outside, base / "out");
        fs::create_directory_symlink(base / "sub" / "loop", base / "sub" / "loop");
        fs::create_symlink(outside / "missing", base / "dangling");
        fs::create_directory_symlink("../..", base / "sub" / "up");
        resolvedBase = fs::canonical(base).string();
        outsideSnapshot = fuzz::snapshot(outside);
    }
};

Setup& setup() {
    static Setup s;
    return s;
}

bool inside(const std::string& resolvedBase, const std::string& path) {
    return path == resolvedBase || path.starts_with(resolvedBase + "/");
}

// The deepest existing ancestor of `path`, resolved.
std::string deepestExisting(std::string path) {
    for (;;) {
        char buffer[PATH_MAX];
        struct stat info {};
        if (::lstat(path.c_str(), &info) == 0)
            return ::realpath(path.c_str(), buffer) != nullptr ? std::string(buffer) : std::string();
        const size_t slash = path.find_last_of('/');
        if (slash == std::string::npos || slash == 0)
            return {};
        path.resize(slash);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Setup& s = setup();
    const std::u16string name = decodeFileText(fuzz::bytesOf(data, size));
    const std::u16string base = fromUtf8(s.base.string());

    // The plain rule on the name alone: no absolute name, no ".." part, not
    // the folder itself.
    std::u16string slashed = name;
    std::replace(slashed.begin(), slashed.end(), u'\\', u'/');
    bool climbs = slashed.empty() || slashed.front() == u'/';
    bool namesAFile = false;
    for (size_t start = 0; start <= slashed.size();) {
        const size_t end = std::min(slashed.find(u'/', start), slashed.size());
        const std::u16string_view part = std::u16string_view(slashed).substr(start, end - start);
        climbs = climbs || part == u"..";
        namesAFile = namesAFile || (!part.empty() && part != u".");
        start = end + 1;
    }

    const auto contained = containedPath(base, name);
    if (climbs || !namesAFile) {
        require(!contained, "an absolute or climbing name, or one naming the folder itself, is refused", toUtf8(name));
        return 0;
    }
    if (!contained)
        return 0; // refused because it leads through a link outside, checked below when accepted
    const std::string full = toUtf8(*contained);
    require(contained->starts_with(base + u"/"), "an accepted name lies below the folder", full);
    require(contained->find(u'\\') == std::u16string::npos, "an accepted name has no backslash", full);
    require(full.find("/../") == std::string::npos && !full.ends_with("/.."), "an accepted name has no .. part", full);
    require(inside(s.resolvedBase, deepestExisting(full)), "the deepest existing part of it resolves inside", full);

    if (createFoldersInside(base, *contained)) {
        const std::string parent = full.substr(0, full.find_last_of('/'));
        char buffer[PATH_MAX];
        require(::realpath(parent.c_str(), buffer) != nullptr && inside(s.resolvedBase, buffer),
                "the folders made for it resolve inside", full);
    }
    require(fuzz::snapshot(s.outside) == s.outsideSnapshot, "nothing outside the folder changes", full);
    fuzz::ScratchFolder::clearExcept(s.base, {"sub", "file", "out", "dangling"});
    fuzz::ScratchFolder::clearExcept(s.base / "sub", {"loop", "up"});
    return 0;
}
