#pragma once
// An application folder made from the shipped scripts in the source tree
// (the detail script in its plain form), pointed at a store on an
// ephemeral port instead of the fixed address the files name.

#include "support/temp_dir.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace zelvon::test {

inline void stageShippedAppFolder(const TempDir& app, const std::string& storeBase) {
    namespace fs = std::filesystem;
    const fs::path source = fs::path(ZELVON_SOURCE_DIR) / "appdata";
    for (const char* folder : {"scripts", "data", "web"})
        fs::copy(source / folder, app.path() / folder, fs::copy_options::recursive);
    fs::copy(source / "scrambled" / "productDetail.nrt", app.path() / "scripts" / "productDetail.nrt");
    fs::create_directories(app.path() / "cache");
    const std::string fixed = "http://127.0.0.1:47815";
    for (const char* folder : {"scripts", "data"}) {
        for (const auto& entry : fs::directory_iterator(app.path() / folder)) {
            std::ifstream in(entry.path(), std::ios::binary);
            std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
            in.close();
            for (size_t at = text.find(fixed); at != std::string::npos; at = text.find(fixed, at + 1))
                text.replace(at, fixed.size(), storeBase);
            std::ofstream(entry.path(), std::ios::binary | std::ios::trunc) << text;
        }
    }
}

} // namespace zelvon::test
