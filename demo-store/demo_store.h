#pragma once
// The Wareloft demo store as an object: an HTTP server on 127.0.0.1 with
// the shop's pages, the maker's update server and a small admin interface.
// The program zelvon-demo-store and the tests both start it through here.

#include "store_catalogue.h"

#include <memory>
#include <string>
#include <thread>

namespace httplib {
class Server;
}

namespace zelvon::demo {

struct StoreOptions {
    int port = 47815; // 0 picks a free port
    int latencyMs = 0; // delay before every response
    std::string appDataDir; // where the update server finds the script set
    bool logRequests = false;
};

class DemoStore {
public:
    explicit DemoStore(StoreOptions options);
    ~DemoStore();
    DemoStore(const DemoStore&) = delete;
    DemoStore& operator=(const DemoStore&) = delete;

    // Binds 127.0.0.1 and serves on a background thread. False when the
    // port cannot be bound.
    bool start();
    void stop();

    int port() const { return port_; }
    // "http://127.0.0.1:PORT", without a trailing slash.
    std::string baseUrl() const;
    StoreCatalogue& catalogue() { return catalogue_; }

private:
    void installRoutes();

    StoreOptions options_;
    StoreCatalogue catalogue_;
    std::unique_ptr<httplib::Server> server_;
    std::thread thread_;
    int port_ = 0;
    // The socket the library is about to bind, seen in its socket-options
    // callback: the only way to reach it for a larger listen backlog.
    int listenSocket_ = -1;
};

} // namespace zelvon::demo
