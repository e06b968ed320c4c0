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

// runProgram, but a program still running after `seconds` is killed (exit
// code 128 + SIGKILL), so a hung window never hangs the test.
inline ProgramResult runWithin(int seconds, const std::string& program, const std::vector<std::string>& args,
                               const std::string& scratch) {
    const std::string outPath = scratch + "/.stdout";
    const std::string errPath = scratch + "/.stderr";
    std::vector<char*> argv{const_cast<char*>(program.c_str())};
    for (const auto& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    pid_t pid = 0;
    ProgramResult result;
    if (posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ) == 0) {
        int status = 0;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
        while (::waitpid(pid, &status, WNOHANG) == 0) {
            if (std::chrono::steady_clock::now() > deadline) {
                ::kill(pid, SIGKILL);
                ::waitpid(pid, &status, 0);
                break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }
    posix_spawn_file_actions_destroy(&actions);
    result.out = slurpFile(outPath);
    result.err = slurpFile(errPath);
    return result;
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
