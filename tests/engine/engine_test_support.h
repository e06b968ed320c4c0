#pragma once
// Shared by the engine's tests: extraction scripts written as markup, a
// runner's values read back, and a page server on 127.0.0.1.

#include "engine/extraction_runner.h"
#include "foundation/entity_codec.h"
#include "foundation/text_codec.h"
#include "support/local_http_server.h"

#include <map>
#include <mutex>
#include <string>

namespace zelvon::test {

// One script item; the token is written with the script's entity escape.
inline std::string scriptItem(const std::string& action, const std::string& token, const std::string& variable = "") {
    return "<item action='" + action + "' token='" + toUtf8(EntityCodec::escapeMarkup(u16(token))) + "' variable='" +
           variable + "'/>\n";
}

inline std::string extractionScript(const std::string& items, const std::string& url = "",
                                    const std::string& cache = "page.htm") {
    return "<extraction>\n<source url='" + url + "' cache='" + cache + "'/>\n" + items + "</extraction>\n";
}

// Every value recorded under `name`, joined by commas.
inline std::string entryValues(const ExtractionRunner& runner, const std::string& name) {
    std::string out;
    for (int i = runner.findEntry(u16(name), -1); i >= 0; i = runner.findEntry(u16(name), i))
        out += (out.empty() ? "" : ",") + toUtf8(runner.entryValue(i));
    return out;
}

// Serves `pages` by path (a request through a proxy names the whole
// address; its path is served the same) and counts requests; anything else
// is a 404.
class PageServer {
public:
    PageServer() {
        server_.server().Get(R"((?:http://[^/]+)?(/[\w.]+))", [this](const httplib::Request& request, httplib::Response& response) {
            std::lock_guard<std::mutex> lock(mutex_);
            const std::string path = request.matches[1];
            ++hits_[path];
            const auto page = pages_.find(path);
            if (page == pages_.end())
                response.status = 404;
            else
                response.set_content(page->second, "text/html");
        });
        server_.start();
    }
    void set(const std::string& path, const std::string& page) {
        std::lock_guard<std::mutex> lock(mutex_);
        pages_[path] = page;
    }
    std::string url(const std::string& path) const { return server_.url(path); }
    int port() const { return server_.port(); }
    void stop() { server_.stop(); }
    int hits(const std::string& path) {
        std::lock_guard<std::mutex> lock(mutex_);
        return hits_[path];
    }
    int totalHits() {
        std::lock_guard<std::mutex> lock(mutex_);
        int total = 0;
        for (const auto& [path, count] : hits_)
            total += count;
        return total;
    }

private:
    std::mutex mutex_;
    std::map<std::string, std::string> pages_;
    std::map<std::string, int> hits_;
    LocalHttpServer server_; // last, so it stops before what its handler uses goes
};

} // namespace zelvon::test
