#pragma once
// A real forward proxy for the tests: tinyproxy in the foreground with its
// own configuration on a free 127.0.0.1 port, stopped by the destructor.
// It names itself in the Via header it adds, so an origin server can tell
// proxied requests from direct ones.

#include "loopback_port.h"
#include "support/run_program.h"

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fcntl.h>
#include <fstream>
#include <string>
#include <thread>

namespace zelvon::test {

inline constexpr const char* kTinyproxyProgram = "/usr/bin/tinyproxy";
inline constexpr const char* kProxyName = "zelvon-test-proxy";

class TinyproxyProcess {
public:
    TinyproxyProcess() = default;
    ~TinyproxyProcess() { stop(); }
    TinyproxyProcess(const TinyproxyProcess&) = delete;
    TinyproxyProcess& operator=(const TinyproxyProcess&) = delete;

    static bool available() { return ::access(kTinyproxyProgram, X_OK) == 0; }

    // Starts the proxy with its files in `folder`. The port is chosen by
    // binding port 0 and closing it (tinyproxy can't take port 0), so
    // another program may grab it meanwhile: a few tries with fresh ports.
    bool start(const std::string& folder) {
        for (int attempt = 0; attempt < 3 && pid_ <= 0; ++attempt) {
            port_ = unusedLoopbackPort();
            if (port_ > 0 && launch(folder) && waitUntilListening())
                return true;
            stop();
        }
        return false;
    }

    void stop() {
        if (pid_ <= 0)
            return;
        ::kill(pid_, SIGTERM);
        // Bounded wait for a clean exit, then no more patience.
        for (int i = 0; i < 100; ++i) {
            if (::waitpid(pid_, nullptr, WNOHANG) == pid_) {
                pid_ = -1;
                return;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        ::kill(pid_, SIGKILL);
        ::waitpid(pid_, nullptr, 0);
        pid_ = -1;
    }

    int port() const { return port_; }
    std::string address() const { return "127.0.0.1:" + std::to_string(port_); }
    // What tinyproxy wrote about the requests it handled.
    std::string log() const { return slurpFile(logPath_); }

private:
    bool launch(const std::string& folder) {
        const std::string config = folder + "/tinyproxy.conf";
        logPath_ = folder + "/tinyproxy.log";
        std::ofstream(config, std::ios::trunc) << "Port " << port_ << "\nListen 127.0.0.1\nTimeout 15\nMaxClients 20\n"
                                               << "Allow 127.0.0.1\nLogLevel Info\nViaProxyName \"" << kProxyName << "\"\n";
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
        posix_spawn_file_actions_addopen(&actions, 1, logPath_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        posix_spawn_file_actions_adddup2(&actions, 1, 2);
        const char* argv[] = {kTinyproxyProgram, "-d", "-c", config.c_str(), nullptr};
        pid_t pid = 0;
        const bool spawned = ::posix_spawn(&pid, kTinyproxyProgram, &actions, nullptr, const_cast<char**>(argv), environ) == 0;
        posix_spawn_file_actions_destroy(&actions);
        pid_ = spawned ? pid : -1;
        return spawned;
    }

    // Up to five seconds for the proxy to accept connections; gives up at
    // once if it exits (a port taken meanwhile, a configuration it refuses).
    bool waitUntilListening() {
        for (int i = 0; i < 250; ++i) {
            if (::waitpid(pid_, nullptr, WNOHANG) == pid_) {
                pid_ = -1;
                return false;
            }
            if (acceptsConnections(port_))
                return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return false;
    }

    pid_t pid_ = -1;
    int port_ = 0;
    std::string logPath_;
};

} // namespace zelvon::test
