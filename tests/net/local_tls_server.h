#pragma once
// An in-process HTTPS server on 127.0.0.1 and an ephemeral port, presenting
// the given certificate. Register handlers on server() before start().

#include <httplib.h>

#include <chrono>
#include <string>
#include <thread>

namespace zelvon::test {

class LocalTlsServer {
public:
    LocalTlsServer(const std::string& certificate, const std::string& key) : server_(certificate.c_str(), key.c_str()) {}
    ~LocalTlsServer() { stop(); }
    LocalTlsServer(const LocalTlsServer&) = delete;
    LocalTlsServer& operator=(const LocalTlsServer&) = delete;

    httplib::SSLServer& server() { return server_; }

    // False when the certificate or key could not be loaded or no port
    // could be bound.
    bool start() {
        if (!server_.is_valid())
            return false;
        port_ = server_.bind_to_any_port("127.0.0.1");
        if (port_ <= 0)
            return false;
        thread_ = std::thread([this] { server_.listen_after_bind(); });
        for (int i = 0; i < 500 && !server_.is_running(); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        return server_.is_running();
    }
    void stop() {
        if (thread_.joinable()) {
            server_.stop();
            thread_.join();
        }
    }
    std::string url(const std::string& path) const { return "https://127.0.0.1:" + std::to_string(port_) + path; }

private:
    httplib::SSLServer server_;
    std::thread thread_;
    int port_ = 0;
};

} // namespace zelvon::test
