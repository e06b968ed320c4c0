#include "demo_store.h"

#include "maker_site.h"
#include "store_pages.h"

#include <httplib.h>

#include <chrono>
#include <iostream>

#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>

namespace zelvon::demo {
namespace {

constexpr const char* kLoopback = "127.0.0.1";
constexpr size_t kServerThreads = 64;
// cpp-httplib listens with a backlog of 5: with a parallel check's clients
// beyond it, connections are dropped and retried a second later, and the
// stand-in store becomes the bottleneck. Room for every worker.
constexpr int kListenBacklog = static_cast<int>(kServerThreads);

void sendPage(httplib::Response& res, const Page& page, int status = 200) {
    res.status = status;
    res.set_content(encodePage(page.html, page.charset), std::string("text/html; charset=") + charsetName(page.charset));
}

void sendNotFound(httplib::Response& res, std::string_view message) {
    sendPage(res, renderNotFound(message), 404);
}

std::string param(const httplib::Request& req, const char* name) {
    return req.has_param(name) ? req.get_param_value(name) : std::string();
}

} // namespace

DemoStore::DemoStore(StoreOptions options) : options_(std::move(options)), server_(std::make_unique<httplib::Server>()) {
    // The library's default also sets SO_REUSEPORT, which lets a second
    // store bind a port the first still serves, and the kernel then splits
    // the requests between them. Keep only SO_REUSEADDR, so a restart is
    // not held up by old connections but a busy port is refused.
    server_->set_socket_options([this](socket_t sock) {
        listenSocket_ = static_cast<int>(sock);
        int yes = 1;
        setsockopt(sock, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
        // Small responses go out at once instead of waiting for the
        // client's delayed acknowledgement; accepted connections inherit it.
        setsockopt(sock, IPPROTO_TCP, TCP_NODELAY, &yes, sizeof yes);
    });
    server_->set_tcp_nodelay(true);
    // Enough workers that a parallel check is served side by side, each
    // request with its own --latency, instead of queuing behind a few.
    server_->new_task_queue = [] { return new httplib::ThreadPool(kServerThreads); };
    installRoutes();
}

DemoStore::~DemoStore() {
    stop();
}

std::string DemoStore::baseUrl() const {
    return "http://" + std::string(kLoopback) + ":" + std::to_string(port_);
}

bool DemoStore::start() {
    if (thread_.joinable())
        return true;
    if (options_.port == 0) {
        port_ = server_->bind_to_any_port(kLoopback);
        if (port_ <= 0)
            return false;
    } else {
        if (!server_->bind_to_port(kLoopback, options_.port))
            return false;
        port_ = options_.port;
    }
    // listen() again on a listening socket only changes its backlog.
    if (listenSocket_ >= 0 && ::listen(listenSocket_, kListenBacklog) != 0)
        std::cerr << "zelvon-demo-store: could not widen the listen backlog\n";
    thread_ = std::thread([this] { server_->listen_after_bind(); });
    // listen_after_bind sets the running flag as it enters its accept loop;
    // wait for it (bounded) so a stop() right after start() is not lost.
    for (int i = 0; i < 500 && !server_->is_running(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    return true;
}

void DemoStore::stop() {
    if (thread_.joinable()) {
        server_->stop();
        thread_.join();
    }
}

void DemoStore::installRoutes() {
    httplib::Server& s = *server_;

    if (options_.latencyMs > 0) {
        const int latency = options_.latencyMs;
        s.set_pre_routing_handler([latency](const httplib::Request&, httplib::Response&) {
            std::this_thread::sleep_for(std::chrono::milliseconds(latency));
            return httplib::Server::HandlerResponse::Unhandled;
        });
    }
    if (options_.logRequests) {
        s.set_logger([](const httplib::Request& req, const httplib::Response& res) {
            std::cerr << req.method << ' ' << req.target << " -> " << res.status << '\n';
        });
    }
    // Routes that set their own body keep it; anything else that fails gets
    // the store's own error page.
    s.set_error_handler(httplib::Server::HandlerWithResponse([](const httplib::Request&, httplib::Response& res) {
        if (!res.body.empty())
            return httplib::Server::HandlerResponse::Unhandled;
        const int status = res.status;
        sendPage(res, renderNotFound(status == 404 ? "There is no such page in the store." : "The request could not be served."),
                 status);
        return httplib::Server::HandlerResponse::Handled;
    }));

    s.Get("/", [this](const httplib::Request&, httplib::Response& res) {
        sendPage(res, renderHome(catalogue_.bestSelling(5), catalogue_.whatsNew(5)));
    });
    s.Get(kProductPath, [this](const httplib::Request& req, httplib::Response& res) {
        const std::string id = param(req, "pid");
        if (const auto product = catalogue_.find(id))
            sendPage(res, renderProduct(*product));
        else
            sendNotFound(res, "There is no product with the ID \"" + id + "\".");
    });
    s.Get(kSearchPath, [this](const httplib::Request& req, httplib::Response& res) {
        const std::string query = param(req, "q");
        sendPage(res, renderSearch(query, catalogue_.search(query)));
    });
    s.Get(kWhatsNewPath, [this](const httplib::Request&, httplib::Response& res) {
        sendPage(res, renderWhatsNew(catalogue_.whatsNew()));
    });
    s.Get(kBestSellingPath, [this](const httplib::Request&, httplib::Response& res) {
        // The chart runs to the newest release in the store.
        const auto latest = catalogue_.whatsNew(1);
        sendPage(res, renderBestSelling(catalogue_.bestSelling(), latest.empty() ? "" : latest.front().date()));
    });
    s.Get(kCategoryPath, [this](const httplib::Request& req, httplib::Response& res) {
        const std::string slug = param(req, "c");
        for (const Category& c : storeCategories())
            if (c.slug == slug)
                return sendPage(res, renderCategory(c, catalogue_.inCategory(slug)));
        sendNotFound(res, "There is no such category.");
    });
    s.Get(kPublisherPath, [this](const httplib::Request& req, httplib::Response& res) {
        const std::string name = param(req, "name");
        const auto products = catalogue_.byCompany(name);
        if (products.empty())
            return sendNotFound(res, "There is no such publisher.");
        sendPage(res, renderPublisher(name, products));
    });

    // The maker's site and update server.
    s.Get("/orvalis", [](const httplib::Request&, httplib::Response& res) { res.set_redirect(kMakerHomePath); });
    s.Get(kMakerHomePath, [this](const httplib::Request&, httplib::Response& res) {
        res.set_content(renderMakerHome(baseUrl()), "text/html; charset=utf-8");
    });
    s.Get(std::string(kScriptUpdatePath) + kScriptInfoName, [this](const httplib::Request&, httplib::Response& res) {
        res.set_content(renderScriptInfo(baseUrl()), "text/xml; charset=utf-8");
    });
    s.Get(std::string(kScriptUpdatePath) + "v" + std::to_string(kPublishedScriptSet) + "/(.+)",
          [this](const httplib::Request& req, httplib::Response& res) {
              const auto bytes = loadScriptSetFile(options_.appDataDir, req.matches[1].str(), baseUrl());
              if (!bytes) {
                  res.status = 404;
                  return;
              }
              res.set_content(*bytes, "application/octet-stream");
          });

    // Admin requests change the store while it runs. The server only ever
    // binds the loopback address; the check below keeps it that way should
    // that change.
    s.Post("/admin/publish", [this](const httplib::Request& req, httplib::Response& res) {
        if (req.remote_addr != kLoopback) {
            res.status = 403;
            res.set_content("admin requests are accepted from 127.0.0.1 only\n", "text/plain");
            return;
        }
        const std::string id = param(req, "id");
        Product published;
        switch (catalogue_.publish(id, param(req, "version"), todayAsStoreDate(), &published)) {
        case StoreCatalogue::PublishResult::UnknownProduct:
            res.status = 404;
            res.set_content("no product with the ID \"" + id + "\"\n", "text/plain");
            return;
        case StoreCatalogue::PublishResult::InvalidVersion:
            res.status = 400;
            res.set_content("a version is 1 to 24 letters, digits, dots, dashes, blanks or underscores\n", "text/plain");
            return;
        case StoreCatalogue::PublishResult::Published:
            res.set_content(published.id + "\t" + published.version() + "\t" + published.name + "\n",
                            "text/plain; charset=utf-8");
            return;
        }
    });
    s.Get("/admin/products.tsv", [this](const httplib::Request&, httplib::Response& res) {
        std::string tsv;
        for (const Product& p : catalogue_.all())
            tsv += p.id + "\t" + p.version() + "\t" + p.name + "\n";
        res.set_content(tsv, "text/tab-separated-values; charset=utf-8");
    });
}

} // namespace zelvon::demo
