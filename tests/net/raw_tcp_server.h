#pragma once
// A bare TCP server on 127.0.0.1 and an ephemeral port, for replies no
// well-behaved HTTP library would send (no status line, silence). Each
// connection's request head is read, then `reply` writes whatever it likes
// to the socket; the connection is closed when `reply` returns.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <stdexcept>
#include <string>
#include <thread>

namespace zelvon::test {

class RawTcpServer {
public:
    using Reply = std::function<void(int socket, const RawTcpServer& server)>;

    explicit RawTcpServer(Reply reply) : reply_(std::move(reply)) {
        listener_ = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        if (listener_ < 0 || ::bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
            ::listen(listener_, 8) != 0 || ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length) != 0)
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

    std::string url(const std::string& path) const { return "http://127.0.0.1:" + std::to_string(port_) + path; }
    int connections() const { return connections_; }
    bool stopping() const { return stopping_; }

    static void sendAll(int socket, const std::string& bytes) {
        size_t done = 0;
        while (done < bytes.size()) {
            const ssize_t n = ::send(socket, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
            if (n <= 0)
                return;
            done += static_cast<size_t>(n);
        }
    }

    // Sleeps in short steps until `duration` has passed or the server stops.
    void idle(std::chrono::milliseconds duration) const {
        const auto end = std::chrono::steady_clock::now() + duration;
        while (!stopping_ && std::chrono::steady_clock::now() < end)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }

private:
    void serve() {
        while (!stopping_) {
            pollfd ready{listener_, POLLIN, 0};
            if (::poll(&ready, 1, 50) <= 0)
                continue;
            const int client = ::accept(listener_, nullptr, nullptr);
            if (client < 0)
                continue;
            ++connections_;
            readRequestHead(client);
            reply_(client, *this);
            ::close(client);
        }
    }

    // Reads until the blank line that ends the request head, at most 64 KiB
    // or two seconds.
    static void readRequestHead(int client) {
        std::string head;
        char buffer[4096];
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(2);
        while (head.find("\r\n\r\n") == std::string::npos && head.size() < 65536 && std::chrono::steady_clock::now() < end) {
            pollfd ready{client, POLLIN, 0};
            if (::poll(&ready, 1, 50) <= 0)
                continue;
            const ssize_t n = ::recv(client, buffer, sizeof buffer, 0);
            if (n <= 0)
                return;
            head.append(buffer, static_cast<size_t>(n));
        }
    }

    Reply reply_;
    int listener_ = -1;
    int port_ = 0;
    std::atomic<bool> stopping_{false};
    std::atomic<int> connections_{0};
    std::thread thread_;
};

} // namespace zelvon::test
