#include "foundation/contained_path.h"

#include "foundation/file_io.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace zelvon {
namespace {

// The fully resolved form of an existing path, or nothing.
std::optional<std::string> resolved(const std::string& path) {
    char buffer[PATH_MAX];
    if (::realpath(path.c_str(), buffer) == nullptr)
        return std::nullopt;
    return std::string(buffer);
}

bool isInside(const std::string& resolvedBase, const std::string& resolvedPath) {
    if (resolvedPath == resolvedBase)
        return true;
    // The root folder as a base holds every path.
    const std::string prefix = resolvedBase == "/" ? resolvedBase : resolvedBase + "/";
    return resolvedPath.compare(0, prefix.size(), prefix) == 0;
}

} // namespace

std::optional<std::vector<std::u16string>> relativePathComponents(std::u16string_view name) {
    std::u16string text(name);
    for (char16_t& c : text)
        if (c == u'\\')
            c = u'/';
    if (text.empty() || text.front() == u'/')
        return std::nullopt;
    std::vector<std::u16string> parts;
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find(u'/', start);
        if (end == std::u16string::npos)
            end = text.size();
        const std::u16string_view part = std::u16string_view(text).substr(start, end - start);
        if (part == u"..")
            return std::nullopt;
        if (!part.empty() && part != u".")
            parts.emplace_back(part);
        start = end + 1;
    }
    if (parts.empty())
        return std::nullopt; // names the base itself, not a file in it
    return parts;
}

namespace {

// Checks the deepest existing ancestor of `native` (the path itself when it
// exists). What lies below it does not exist yet, so cannot be a link.
bool deepestExistingIsInside(const std::string& resolvedBase, std::string native) {
    for (;;) {
        struct stat info {};
        if (::lstat(native.c_str(), &info) == 0) {
            // A dangling link fails here as well: it would lead wherever
            // its target is created later.
            const auto real = resolved(native);
            return real && isInside(resolvedBase, *real);
        }
        if (errno != ENOENT && errno != ENOTDIR)
            return false;
        const size_t slash = native.find_last_of('/');
        if (slash == std::string::npos || slash == 0)
            return false;
        native.resize(slash);
    }
}

} // namespace

std::optional<std::u16string> containedPath(std::u16string_view base, std::u16string_view relativeName) {
    const auto parts = relativePathComponents(relativeName);
    if (!parts)
        return std::nullopt;
    const auto resolvedBase = resolved(base.empty() ? std::string("/") : nativePath(base));
    if (!resolvedBase)
        return std::nullopt;
    std::u16string full(base);
    for (const auto& part : *parts)
        full.append(u"/").append(part);
    if (!deepestExistingIsInside(*resolvedBase, nativePath(full)))
        return std::nullopt;
    return full;
}

bool resolvesInside(std::u16string_view folder, std::u16string_view fullPath) {
    const auto resolvedFolder = resolved(nativePath(folder));
    return resolvedFolder && deepestExistingIsInside(*resolvedFolder, nativePath(fullPath));
}

bool createFoldersInside(std::u16string_view base, std::u16string_view fullPath) {
    const std::string nativeBase = nativePath(base);
    const std::string native = nativePath(fullPath);
    const auto resolvedBase = resolved(nativeBase.empty() ? std::string("/") : nativeBase);
    if (!resolvedBase || native.compare(0, nativeBase.size() + 1, nativeBase + "/") != 0)
        return false;
    int current = ::open(resolvedBase->c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (current < 0)
        return false;
    // Every folder between the base and the file's name, outermost first,
    // each made and entered relative to the one before: no step resolves
    // the whole path again.
    bool ok = true;
    size_t start = nativeBase.size() + 1;
    for (size_t slash = native.find('/', start); ok && slash != std::string::npos;
         start = slash + 1, slash = native.find('/', start)) {
        const std::string name = native.substr(start, slash - start);
        if (name.empty())
            continue;
        if (::mkdirat(current, name.c_str(), 0777) != 0 && errno != EEXIST) {
            ok = false;
            break;
        }
        int next = ::openat(current, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (next < 0 && (errno == ELOOP || errno == ENOTDIR)) {
            // A symbolic link (or something else) in the folder's place:
            // entered only when it leads to a folder inside the base.
            const std::string folder = native.substr(0, slash);
            const auto real = resolved(folder);
            if (real && isInside(*resolvedBase, *real))
                next = ::open(real->c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        }
        ::close(current);
        current = next;
        ok = current >= 0;
    }
    if (current >= 0)
        ::close(current);
    return ok;
}

} // namespace zelvon
