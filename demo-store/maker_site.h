#pragma once
// The maker's small web site, served by the demo store beside the shop: a
// home page and the update server that publishes parsing-script sets.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zelvon::demo {

inline constexpr const char* kMakerHomePath = "/orvalis/";
inline constexpr const char* kScriptUpdatePath = "/orvalis/pocketpc/updates/zelvonWARE/scripts/";
inline constexpr const char* kScriptInfoName = "scriptInfo.xml";
// The script set the update server announces; installations start at 1.
inline constexpr int kPublishedScriptSet = 2;
// The address the shipped scripts are written for.
inline constexpr std::string_view kFixedStoreBase = "http://127.0.0.1:47815";

struct ScriptSetFile {
    std::string label; // shown while the program downloads it
    std::string destination; // relative to the application folder, "\" separated
    // Where the file is found below the application data folder, tried in
    // order: a built folder holds the shipped (possibly scrambled) form,
    // the source tree the plain source of a scrambled script.
    std::vector<std::string> candidates;
};

const std::vector<ScriptSetFile>& publishedScriptSet();

std::string renderMakerHome(std::string_view storeBase);

// The description file: root `version` and one `scriptFile` per file with
// `name`, `url` and `destination`.
std::string renderScriptInfo(std::string_view storeBase);

// The bytes of one file of the set, addressed by its destination written
// with "/" (as it appears in its download URL). Text files are rewritten
// from the fixed address to `storeBase`, so a store started on another port
// hands out scripts that point at itself; scrambled files are served as
// they are. Empty when the file is not part of the set or not found.
std::optional<std::string> loadScriptSetFile(std::string_view appDataDir, std::string_view slashDestination,
                                             std::string_view storeBase);

// Replaces every occurrence of `from` by `to`.
std::string replaceAll(std::string text, std::string_view from, std::string_view to);

} // namespace zelvon::demo
