#pragma once
// An installed program's own application folder, filled from the shipped,
// read-only copy of the application data. Missing files are copied on every
// start, so a deleted help page comes back. Files the user has (the lists,
// the cache, scripts fetched from the maker's update server) are never
// overwritten: a newer shipped script set replaces only files that still
// hold exactly what an earlier seeding put there. "seedManifest.txt" in the
// folder remembers the shipped set's number and a fingerprint of each file
// it seeded.

#include "app/app_folder.h"

#include <cstdint>
#include <string>

namespace zelvon {

class SettingsStore;

inline constexpr char16_t kSeedManifestName[] = u"seedManifest.txt";
// In the shipped data: the number of its script set, the scale
// `AutoCheckVersion` counts on.
inline constexpr char16_t kScriptSetFileName[] = u"scriptSet.txt";

struct SeedResult {
    bool ok = false;
    std::u16string errorText; // why the folder cannot be used, when !ok
    int32_t shippedScriptSet = 0;
    size_t copied = 0;   // files that were missing
    size_t replaced = 0; // older shipped files replaced by newer ones
    size_t keptChanged = 0; // seeded files changed since, left as they are
    // The newer shipped set went in whole: the user now has that set.
    bool scriptSetInstalled = false;
};

// Seeds `folder` from `packaged`. `installedScriptSet` is the script set the
// user already has (`AutoCheckVersion`): a shipped set not newer than it
// only fills in missing files.
SeedResult seedAppFolder(const std::u16string& packaged, const std::u16string& folder, int32_t installedScriptSet);

struct PreparedAppFolder {
    std::u16string folder;
    std::u16string errorText; // not empty: the folder cannot be used
};

// chooseAppFolder, then the seeding of an installed program's folder. When
// a newer shipped script set went in, `AutoCheckVersion` rises to its
// number, so the maker's server is asked only for sets newer than it (not
// when some of the user's files were kept: they have a mixed set).
PreparedAppFolder prepareAppFolder(const std::optional<std::string>& optionValue, const char* argv0,
                                   const SettingsStore& settings);

} // namespace zelvon
