#pragma once
// What the network tests share: a clean proxy environment, a free loopback
// port, a bare TCP server for replies no HTTP library would send, and an
// HTTPS server. Everything listens on 127.0.0.1 and an ephemeral port.

#include <httplib.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <optional>
#include <stdexcept>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace zelvon::test {

// Clears the proxy variables libcurl reads (and the extra CA file) and puts
// the old values back afterwards, so a proxy configured on the test machine
// cannot redirect local requests.
class ScopedProxyEnvironment {
public:
    ScopedProxyEnvironment() {
        for (const char* name : {"http_proxy", "HTTP_PROXY", "https_proxy", "HTTPS_PROXY", "all_proxy", "ALL_PROXY", "no_proxy",
                                 "NO_PROXY", "ZELVON_CA_FILE"}) {
            const char* value = std::getenv(name);
            saved_.emplace_back(name, value ? std::optional<std::string>(value) : std::nullopt);
            ::unsetenv(name);
        }
    }
    ~ScopedProxyEnvironment() {
        for (const auto& [name, value] : saved_)
            value ? ::setenv(name.c_str(), value->c_str(), 1) : ::unsetenv(name.c_str());
    }
    ScopedProxyEnvironment(const ScopedProxyEnvironment&) = delete;
    ScopedProxyEnvironment& operator=(const ScopedProxyEnvironment&) = delete;

    // An empty value removes the variable.
    void set(const char* name, const std::string& value) { value.empty() ? ::unsetenv(name) : ::setenv(name, value.c_str(), 1); }

private:
    std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};

inline sockaddr_in loopback(int port) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<uint16_t>(port));
    return address;
}

// A port on 127.0.0.1 that was free a moment ago (bound to port 0, read back
// and closed): a connection to it is refused.
inline int unusedLoopbackPort() {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address = loopback(0);
    socklen_t length = sizeof address;
    int port = -1;
    if (fd >= 0 && ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) == 0)
        port = ntohs(address.sin_port);
    ::close(fd);
    return port;
}

// Answers connection n (counted from 1) with replies[n-1], or with the last
// reply once they run out, after reading the request head, then closes it.
// An empty reply hangs up without a word.
class RawTcpServer {
public:
    explicit RawTcpServer(std::vector<std::string> replies) : replies_(std::move(replies)) {
        listener_ = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address = loopback(0);
        socklen_t length = sizeof address;
        if (listener_ < 0 || ::bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || ::listen(listener_, 8) != 0 ||
            ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length) != 0)
            throw std::runtime_error("raw server could not listen");
        port_ = ntohs(address.sin_port);
        thread_ = std::thread([this] { serve(); });
    }
    ~RawTcpServer() {
        stopping_ = true;
        thread_.join();
        ::close(listener_);
    }
    RawTcpServer(const RawTcpServer&) = delete;
    RawTcpServer& operator=(const RawTcpServer&) = delete;

    std::string url() const { return "http://127.0.0.1:" + std::to_string(port_) + "/"; }
    int connections() const { return connections_; }

private:
    void serve() {
        while (!stopping_) {
            pollfd ready{listener_, POLLIN, 0};
            const int client = ::poll(&ready, 1, 50) > 0 ? ::accept(listener_, nullptr, nullptr) : -1;
            if (client < 0)
                continue;
            const std::string& reply = replies_[std::min<size_t>(static_cast<size_t>(connections_++), replies_.size() - 1)];
            // Read the head (at most two seconds), or closing would reset the
            // connection before the client reads the reply.
            std::string head;
            char buffer[4096];
            for (int wait = 0; wait < 40 && head.find("\r\n\r\n") == std::string::npos; ++wait) {
                pollfd readable{client, POLLIN, 0};
                const ssize_t n = ::poll(&readable, 1, 50) > 0 ? ::recv(client, buffer, sizeof buffer, 0) : -2;
                if (n == 0 || n == -1)
                    break;
                if (n > 0)
                    head.append(buffer, static_cast<size_t>(n));
            }
            for (size_t sent = 0; sent < reply.size();) {
                const ssize_t n = ::send(client, reply.data() + sent, reply.size() - sent, MSG_NOSIGNAL);
                if (n <= 0)
                    break;
                sent += static_cast<size_t>(n);
            }
            ::close(client);
        }
    }

    std::vector<std::string> replies_;
    int listener_ = -1;
    int port_ = 0;
    std::atomic<bool> stopping_{false};
    std::atomic<int> connections_{0};
    std::thread thread_;
};

// An in-process HTTPS server presenting the given certificate. Register
// handlers on server() before start().
class LocalTlsServer {
public:
    LocalTlsServer(const std::string& certificate, const std::string& key) : server_(certificate.c_str(), key.c_str()) {}
    ~LocalTlsServer() {
        if (thread_.joinable()) {
            server_.stop();
            thread_.join();
        }
    }
    LocalTlsServer(const LocalTlsServer&) = delete;
    LocalTlsServer& operator=(const LocalTlsServer&) = delete;

    httplib::SSLServer& server() { return server_; }
    // False when the certificate or key could not be loaded or no port bound.
    bool start() {
        port_ = server_.is_valid() ? server_.bind_to_any_port("127.0.0.1") : -1;
        if (port_ <= 0)
            return false;
        thread_ = std::thread([this] { server_.listen_after_bind(); });
        for (int i = 0; i < 500 && !server_.is_running(); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        return server_.is_running();
    }
    std::string url(const std::string& path) const { return "https://127.0.0.1:" + std::to_string(port_) + path; }

private:
    httplib::SSLServer server_;
    std::thread thread_;
    int port_ = 0;
};

} // namespace zelvon::test
