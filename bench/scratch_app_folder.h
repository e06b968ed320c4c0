#pragma once
// A scratch application folder with a web/ folder for saved pages, removed
// when the benchmark ends.

#include "foundation/text_codec.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

namespace zelvon::bench {

class ScratchAppFolder {
public:
    ScratchAppFolder() {
        std::string pattern = (std::filesystem::temp_directory_path() / "zelvon-bench-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr) {
            std::perror("mkdtemp");
            std::exit(1);
        }
        path_ = pattern;
        std::filesystem::create_directories(path_ / "web");
    }
    ~ScratchAppFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    void savePage(const std::string& name, const std::string& bytes) const {
        std::ofstream(path_ / "web" / name, std::ios::binary | std::ios::trunc) << bytes;
    }
    std::u16string folder() const { return fromUtf8(path_.string()); }

private:
    std::filesystem::path path_;
};

} // namespace zelvon::bench
