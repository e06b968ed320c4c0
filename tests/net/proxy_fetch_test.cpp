// Proxy access through a real forward proxy (tinyproxy) started by the test:
// the explicit proxy, the environment's proxy and the direct retry when a
// proxy can't be used. The origin reads the Via header tinyproxy adds to
// tell which way a request came.

#include "net_test_support.h"
#include "tinyproxy_process.h"

#include "foundation/text_codec.h"
#include "net/http_fetcher.h"
#include "support/local_http_server.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <mutex>

namespace zelvon {
namespace {

TEST(ProxyFetchTest, ProxyIsUsedAsTheFlagAndTheEnvironmentSay) {
    HttpFetcher::globalInit();
    HttpFetcher::platformCheck();
    test::ScopedProxyEnvironment environment;
    test::TempDir dir;
    test::TinyproxyProcess proxy;
    ASSERT_TRUE(proxy.running()) << "tinyproxy did not start: " << proxy.log();
    std::mutex mutex;
    int requests = 0;
    std::string via;
    test::LocalHttpServer origin;
    origin.server().Get("/page", [&](const httplib::Request& req, httplib::Response& res) {
        std::lock_guard<std::mutex> lock(mutex);
        ++requests;
        via = req.get_header_value("Via");
        res.set_content("origin page", "text/html");
    });
    origin.start();

    const std::string live = proxy.address();
    const std::string dead = "127.0.0.1:" + std::to_string(test::unusedLoopbackPort());
    const struct {
        const char* what;
        std::string httpProxy; // the environment's
        std::string noProxy;
        int useProxy;
        std::string proxyText;
        bool proxied;
    } cases[] = {
        {"flag set", "", "", 1, live, true},
        {"flag clear", "", "", 0, live, false},
        {"environment", "http://" + live, "", 0, ":", true},
        {"environment exception", "http://" + live, "127.0.0.1", 0, ":", false},
        {"flag over the exception", "http://" + live, "127.0.0.1", 1, live, true},
        // A proxy that can't be used costs one direct retry, not the download.
        {"dead proxy", "", "", 1, dead, false},
        {"dead environment proxy", "http://" + dead, "", 0, ":", false},
        {"proxy text from empty settings", "", "", 1, ":", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        environment.set("http_proxy", c.httpProxy);
        environment.set("no_proxy", c.noProxy);
        std::filesystem::remove(dir.file("page.htm"));
        int before = 0;
        {
            std::lock_guard<std::mutex> lock(mutex);
            before = requests;
            via = "(no request)";
        }
        EXPECT_TRUE(HttpFetcher::fetchToFile(u16(origin.url("/page")), dir.u16file("page.htm"), c.useProxy, u16(c.proxyText)));
        EXPECT_EQ(dir.read("page.htm"), "origin page");
        std::lock_guard<std::mutex> lock(mutex);
        EXPECT_EQ(via.find(test::kProxyName) != std::string::npos, c.proxied) << via;
        EXPECT_EQ(requests, before + 1);
    }
}

} // namespace
} // namespace zelvon
