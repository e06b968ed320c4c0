#pragma once
// Helpers for the tests that run installed programs: a run with a time
// limit, a listing that shows any write below a folder, and an installed
// script set pointed at a demo store on an ephemeral port.

#include "support/run_program.h"

#include <algorithm>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <regex>
#include <string>
#include <thread>
#include <vector>

namespace zelvon::test {

// runProgram, but a program still running after `seconds` is killed, so a
// hung window never hangs the test.
inline ProgramResult runWithin(int seconds, const std::string& program, const std::vector<std::string>& args,
                               const std::string& scratch) {
    return runProgram(program, args, scratch, seconds);
}

// Every entry below `root` with its kind, size, mode and modification
// time: two listings differ when anything was written there.
inline std::string listing(const std::filesystem::path& root) {
    namespace fs = std::filesystem;
    std::vector<std::string> lines;
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        const fs::file_status status = entry.symlink_status();
        std::string line = entry.path().lexically_relative(root).string();
        line += ' ' + std::to_string(static_cast<int>(status.type())) + ' ' +
                std::to_string(static_cast<unsigned>(status.permissions()));
        if (fs::is_regular_file(status))
            line += ' ' + std::to_string(entry.file_size()) + ' ' +
                    std::to_string(entry.last_write_time().time_since_epoch().count());
        lines.push_back(line);
    }
    std::sort(lines.begin(), lines.end());
    std::string text;
    for (const auto& line : lines)
        text += line + '\n';
    return text;
}

inline std::string readAll(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The installed data names the demo store's fixed port; point its plain
// scripts at `storeBase` instead, as a package built for another store would.
inline void pointAtStore(const std::filesystem::path& share, const std::string& storeBase) {
    namespace fs = std::filesystem;
    for (const char* folder : {"scripts", "data"}) {
        for (const auto& entry : fs::directory_iterator(share / folder)) {
            const std::string text = readAll(entry.path());
            if (text.rfind("ENCMARLO", 0) == 0)
                continue; // scrambled
            std::ofstream(entry.path(), std::ios::binary | std::ios::trunc)
                << std::regex_replace(text, std::regex("http://127\\.0\\.0\\.1:47815"), storeBase);
        }
    }
}

} // namespace zelvon::test
