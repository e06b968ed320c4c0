#pragma once
// What every fuzz target shares: a broken property stops the run with a
// message and abort(), so libFuzzer keeps the input that broke it; scratch
// folders live for the whole process and are removed at its end.

#include "foundation/text_codec.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <string_view>
#include <unistd.h>

namespace zelvon::fuzz {

[[noreturn]] inline void fail(const char* property, std::string_view detail = {}) {
    std::fprintf(stderr, "\nBROKEN PROPERTY: %s\n", property);
    if (!detail.empty())
        std::fprintf(stderr, "  detail: %.*s\n", static_cast<int>(std::min<size_t>(detail.size(), 2000)), detail.data());
    std::abort();
}

inline void require(bool holds, const char* property, std::string_view detail = {}) {
    if (!holds)
        fail(property, detail);
}

inline std::string_view bytesOf(const uint8_t* data, size_t size) {
    return {reinterpret_cast<const char*>(data), size};
}

// UTF-16 text from raw byte pairs: every code unit, lone surrogates and
// zero included, is reachable.
inline std::u16string unitsOf(std::string_view bytes) {
    std::u16string text;
    for (size_t i = 0; i + 1 < bytes.size(); i += 2)
        text.push_back(static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                             (static_cast<unsigned char>(bytes[i + 1]) << 8)));
    return text;
}

inline void writeFile(const std::filesystem::path& path, std::string_view bytes) {
    std::filesystem::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

inline std::string readFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Every path below `folder` (links not followed) with the content of each
// regular file and the target of each link: two snapshots differ exactly
// when something below the folder was made, changed or removed.
inline std::string snapshot(const std::filesystem::path& folder) {
    std::set<std::string> lines;
    std::error_code error;
    for (auto it = std::filesystem::recursive_directory_iterator(folder, error);
         !error && it != std::filesystem::recursive_directory_iterator(); it.increment(error)) {
        const auto& path = it->path();
        std::string line = std::filesystem::relative(path, folder).string();
        if (it->is_symlink())
            line += " -> " + std::filesystem::read_symlink(path).string();
        else if (it->is_regular_file())
            line += " = " + readFile(path);
        else
            line += "/";
        lines.insert(line);
    }
    std::string all;
    for (const auto& line : lines)
        all += line + "\n";
    return all;
}

// A scratch folder for the whole run, removed when the process ends
// normally (libFuzzer leaves through exit()).
class ScratchFolder {
public:
    ScratchFolder() {
        std::string pattern = (std::filesystem::temp_directory_path() / "zelvon-fuzz-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr)
            fail("a scratch folder can be made");
        path_ = pattern;
    }
    ~ScratchFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    const std::filesystem::path& path() const { return path_; }
    std::u16string u16(const std::string& name = {}) const {
        return fromUtf8(name.empty() ? path_.string() : (path_ / name).string());
    }

    // Removes everything below `folder` except the entries named in `keep`.
    static void clearExcept(const std::filesystem::path& folder, const std::set<std::string>& keep) {
        std::error_code error;
        for (const auto& entry : std::filesystem::directory_iterator(folder, error))
            if (keep.count(entry.path().filename().string()) == 0)
                std::filesystem::remove_all(entry.path(), error);
    }

private:
    std::filesystem::path path_;
};

} // namespace zelvon::fuzz
