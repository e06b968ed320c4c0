#include "app/app_folder_seed.h"

#include "app/settings_store.h"
#include "foundation/file_io.h"
#include "foundation/text_codec.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <sstream>

namespace zelvon {
namespace {

namespace fs = std::filesystem;

// FNV-1a, 64 bits: only tells "still the bytes we put there" from "changed
// since", so it need not resist anyone.
std::string fingerprint(std::string_view bytes) {
    uint64_t hash = 14695981039346656037ULL;
    for (const char c : bytes) {
        hash ^= static_cast<unsigned char>(c);
        hash *= 1099511628211ULL;
    }
    char text[17];
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(hash));
    return text;
}

struct Manifest {
    int32_t scriptSet = 0;
    std::map<std::string, std::string> fingerprints; // relative path -> fingerprint
};

// A damaged or missing manifest reads as empty: nothing then counts as
// seeded by us, so nothing is replaced, only missing files are copied.
Manifest readManifest(const std::u16string& path) {
    Manifest manifest;
    std::string bytes;
    if (!readFileBytes(path, bytes))
        return manifest;
    std::istringstream lines(bytes);
    std::string line;
    while (std::getline(lines, line)) {
        if (line.starts_with("scriptSet ")) {
            manifest.scriptSet = static_cast<int32_t>(std::strtol(line.c_str() + 10, nullptr, 10));
        } else if (line.size() > 17 && line[16] == ' ') {
            manifest.fingerprints[line.substr(17)] = line.substr(0, 16);
        }
    }
    return manifest;
}

std::string manifestText(const Manifest& manifest) {
    std::string text = "scriptSet " + std::to_string(manifest.scriptSet) + "\n";
    for (const auto& [path, print] : manifest.fingerprints)
        text += print + ' ' + path + '\n';
    return text;
}

int32_t readScriptSet(const fs::path& packaged) {
    std::string bytes;
    if (!readFileBytes(fromUtf8((packaged / toUtf8(kScriptSetFileName)).string()), bytes))
        return 0;
    return static_cast<int32_t>(std::strtol(bytes.c_str(), nullptr, 10));
}

} // namespace

SeedResult seedAppFolder(const std::u16string& packaged, const std::u16string& folder, int32_t installedScriptSet) {
    SeedResult result;
    const fs::path source(toUtf8(packaged));
    const fs::path target(toUtf8(folder));
    std::error_code error;
    fs::create_directories(target, error);
    if (error || !fs::is_directory(target)) {
        result.errorText = u"The application folder " + folder + u" cannot be created: " +
                           fromUtf8(error ? error.message() : std::string("a file of that name is in the way")) + u".";
        return result;
    }

    const std::u16string manifestPath = folder + u"/" + kSeedManifestName;
    Manifest manifest = readManifest(manifestPath);
    const Manifest before = manifest;
    result.shippedScriptSet = readScriptSet(source);
    // A shipped set replaces earlier shipped files only when it is newer
    // than what was seeded before and than what the user fetched.
    const bool newerSet = result.shippedScriptSet > manifest.scriptSet && result.shippedScriptSet > installedScriptSet;

    std::u16string failed;
    fs::recursive_directory_iterator walk(source, fs::directory_options::none, error);
    for (const fs::recursive_directory_iterator end; !error && walk != end; walk.increment(error)) {
        const fs::path relative = walk->path().lexically_relative(source);
        const std::string rel = relative.generic_string();
        const fs::path destination = target / relative;
        std::error_code entryError;
        if (walk->is_directory(entryError)) {
            fs::create_directories(destination, entryError);
            continue;
        }
        if (!walk->is_regular_file(entryError) || rel == toUtf8(kScriptSetFileName))
            continue;
        const std::u16string destinationPath = fromUtf8(destination.string());
        std::string shipped;
        if (!readFileBytes(fromUtf8(walk->path().string()), shipped)) {
            failed = fromUtf8(walk->path().string());
            continue;
        }
        const bool present = fs::exists(fs::symlink_status(destination, entryError));
        if (present) {
            const auto seeded = manifest.fingerprints.find(rel);
            if (!newerSet || seeded == manifest.fingerprints.end())
                continue;
            std::string current;
            if (!readFileBytes(destinationPath, current) || current == shipped)
                continue;
            if (fingerprint(current) != seeded->second) {
                ++result.keptChanged; // changed by the user or by a script update: theirs
                continue;
            }
        }
        fs::create_directories(destination.parent_path(), entryError);
        if (!writeFileAtomically(destinationPath, shipped)) {
            failed = destinationPath;
            continue;
        }
        manifest.fingerprints[rel] = fingerprint(shipped);
        ++(present ? result.replaced : result.copied);
    }
    if (error && failed.empty())
        failed = packaged;
    if (result.shippedScriptSet > manifest.scriptSet && failed.empty())
        manifest.scriptSet = result.shippedScriptSet;
    if (manifest.scriptSet != before.scriptSet || manifest.fingerprints != before.fingerprints)
        writeFileAtomically(manifestPath, manifestText(manifest));
    if (!failed.empty()) {
        result.errorText = u"The application folder " + folder + u" could not be filled from " + packaged +
                           u": " + failed + u" could not be copied.";
        return result;
    }
    result.ok = true;
    result.scriptSetInstalled = newerSet && result.keptChanged == 0;
    return result;
}

PreparedAppFolder prepareAppFolder(const std::optional<std::string>& optionValue, const char* argv0,
                                   const SettingsStore& settings) {
    AppFolderChoice choice = chooseAppFolder(optionValue, argv0);
    PreparedAppFolder prepared{std::move(choice.folder), {}};
    if (choice.packagedData.empty())
        return prepared;
    const int32_t installed = settings.readInt(u"Settings", u"AutoCheckVersion", 1);
    const SeedResult seeded = seedAppFolder(choice.packagedData, prepared.folder, installed);
    if (!seeded.ok)
        prepared.errorText = seeded.errorText;
    else if (seeded.scriptSetInstalled)
        settings.writeInt(u"Settings", u"AutoCheckVersion", seeded.shippedScriptSet);
    return prepared;
}

} // namespace zelvon
