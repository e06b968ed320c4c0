#pragma once
// Servers that hold a download open: one that sends its headers and then
// nothing, and one that promises 100,000 bytes and sends one a second. Both
// let go of their connections when the server goes away.

#include "support/local_http_server.h"

#include <atomic>
#include <chrono>
#include <string>
#include <thread>

namespace zelvon::test {

class SlowHttpServer {
public:
    SlowHttpServer() {
        server_.server().Get("/stalled", [this](const httplib::Request&, httplib::Response& response) {
            response.set_content_provider(100000, "text/html", [this](size_t, size_t, httplib::DataSink&) {
                waitFor(std::chrono::hours(1));
                return false;
            });
        });
        server_.server().Get("/trickle", [this](const httplib::Request&, httplib::Response& response) {
            response.set_content_provider(100000, "text/html", [this](size_t, size_t, httplib::DataSink& sink) {
                sink.write("x", 1);
                return waitFor(std::chrono::seconds(1));
            });
        });
        server_.start();
    }
    ~SlowHttpServer() {
        stopping_ = true;
        server_.stop();
    }
    SlowHttpServer(const SlowHttpServer&) = delete;
    SlowHttpServer& operator=(const SlowHttpServer&) = delete;

    std::string stalledUrl() const { return server_.url("/stalled"); }
    std::string trickleUrl() const { return server_.url("/trickle"); }

private:
    // False once the server is stopping.
    bool waitFor(std::chrono::milliseconds span) {
        for (auto waited = std::chrono::milliseconds(0); waited < span && !stopping_; waited += std::chrono::milliseconds(20))
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        return !stopping_;
    }

    std::atomic<bool> stopping_{false};
    LocalHttpServer server_;
};

} // namespace zelvon::test
