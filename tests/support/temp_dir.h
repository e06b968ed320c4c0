#pragma once
// A scratch folder for one test, removed with everything in it at the end.

#include "foundation/text_codec.h"

#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

namespace zelvon::test {

class TempDir {
public:
    TempDir() {
        std::string pattern = (std::filesystem::temp_directory_path() / "zelvon-test-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr)
            throw std::runtime_error("mkdtemp failed");
        path_ = pattern;
    }
    ~TempDir() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return path_; }
    std::string str() const { return path_.string(); }
    // The folder as the program's own (UTF-16) path text.
    std::u16string u16path() const { return fromUtf8(path_.string()); }
    // A path inside the folder, in both forms.
    std::string file(const std::string& name) const { return (path_ / name).string(); }
    std::u16string u16file(const std::string& name) const { return fromUtf8(file(name)); }

    void write(const std::string& name, const std::string& bytes) const {
        std::filesystem::create_directories((path_ / name).parent_path());
        std::ofstream out(path_ / name, std::ios::binary | std::ios::trunc);
        out << bytes;
    }
    std::string read(const std::string& name) const {
        std::ifstream in(path_ / name, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }

private:
    std::filesystem::path path_;
};

} // namespace zelvon::test
