#pragma once
// An application folder for the engine targets: the shipped What's New page
// saved as web/whatsnew.htm (a real store page with a table of records), a
// marker file beside the web folder that no script may read, and a link in
// the web folder that leads out of it.

#include "fuzz_support.h"

#include "engine/extraction_runner.h"

namespace zelvon::fuzz {

inline constexpr std::string_view kOutsideMarker = "ZELVON-OUTSIDE-MARKER";

struct EngineFolder {
    ScratchFolder scratch;
    std::filesystem::path app = scratch.path() / "app";
    std::u16string page;

    EngineFolder() {
        const std::string bytes = readFile(std::filesystem::path(ZELVON_APPDATA) / "web" / "whatsnew.htm");
        require(!bytes.empty(), "the shipped What's New page can be read", ZELVON_APPDATA);
        writeFile(app / "web" / "whatsnew.htm", bytes);
        writeFile(app / "secret.htm", std::string(kOutsideMarker) + "<b>" + std::string(kOutsideMarker));
        std::filesystem::create_directory_symlink(app, app / "web" / "up");
        page = decodeFileText(bytes);
    }
    std::u16string appFolder() const { return fromUtf8(app.string()); }
};

inline EngineFolder& engineFolder() {
    static EngineFolder folder;
    return folder;
}

} // namespace zelvon::fuzz
