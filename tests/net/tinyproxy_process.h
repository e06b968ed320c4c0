#pragma once
// A real forward proxy: tinyproxy in the foreground with its own
// configuration on a free 127.0.0.1 port, killed by the destructor. It names
// itself in the Via header it adds, so an origin server can tell proxied
// requests from direct ones.

#include "net_test_support.h"
#include "support/run_program.h"
#include "support/temp_dir.h"

#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <chrono>
#include <fstream>
#include <string>
#include <thread>

namespace zelvon::test {

inline constexpr const char* kProxyName = "zelvon-test-proxy";

class TinyproxyProcess {
public:
    // tinyproxy can't take port 0, so the port is one that was free a
    // moment ago; another program may grab it meanwhile: three tries.
    TinyproxyProcess() {
        for (int attempt = 0; attempt < 3 && !running_; ++attempt)
            running_ = launch(unusedLoopbackPort());
    }
    ~TinyproxyProcess() { kill(); }
    TinyproxyProcess(const TinyproxyProcess&) = delete;
    TinyproxyProcess& operator=(const TinyproxyProcess&) = delete;

    bool running() const { return running_; }
    std::string address() const { return "127.0.0.1:" + std::to_string(port_); }
    // What tinyproxy wrote about the requests it handled.
    std::string log() const { return slurpFile(dir_.file("tinyproxy.log")); }

private:
    bool launch(int port) {
        port_ = port;
        std::ofstream config(dir_.file("tinyproxy.conf"), std::ios::trunc);
        config << "Port " << port << "\nListen 127.0.0.1\nTimeout 15\nAllow 127.0.0.1\nLogLevel Info\nViaProxyName \"" << kProxyName << "\"\n";
        // Started by root, tinyproxy would keep root's rights: give it nobody's.
        const passwd* nobody = ::geteuid() == 0 ? ::getpwnam("nobody") : nullptr;
        if (const group* nogroup = nobody ? ::getgrgid(nobody->pw_gid) : nullptr)
            config << "User nobody\nGroup " << nogroup->gr_name << "\n";
        config.close();

        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
        posix_spawn_file_actions_addopen(&actions, 1, dir_.file("tinyproxy.log").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        posix_spawn_file_actions_adddup2(&actions, 1, 2);
        const std::string configPath = dir_.file("tinyproxy.conf");
        const char* argv[] = {"/usr/bin/tinyproxy", "-d", "-c", configPath.c_str(), nullptr};
        if (::posix_spawn(&pid_, argv[0], &actions, nullptr, const_cast<char**>(argv), environ) != 0)
            pid_ = -1;
        posix_spawn_file_actions_destroy(&actions);
        // Up to five seconds until it says it listens; gives up at once if
        // it exits (a port taken meanwhile, a configuration it refuses).
        for (int i = 0; i < 250 && pid_ > 0; ++i) {
            if (::waitpid(pid_, nullptr, WNOHANG) == pid_)
                pid_ = -1;
            else if (log().find("Accepting connections") != std::string::npos)
                return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        kill();
        return false;
    }

    void kill() {
        if (pid_ > 0) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
        }
        pid_ = -1;
    }

    TempDir dir_;
    pid_t pid_ = -1;
    int port_ = 0;
    bool running_ = false;
};

} // namespace zelvon::test
