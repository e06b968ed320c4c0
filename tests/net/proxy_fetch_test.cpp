// Proxy access through a real forward proxy (tinyproxy) started by the
// test: the explicit proxy, the environment's proxy, and the direct retry
// when a proxy is dead. The origin server reads tinyproxy's Via header to
// tell which way a request came.

#include "loopback_port.h"
#include "local_tls_server.h"
#include "scoped_proxy_environment.h"
#include "test_certificates.h"
#include "tinyproxy_process.h"

#include "foundation/text_codec.h"
#include "net/http_fetcher.h"
#include "support/local_http_server.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <mutex>

namespace zelvon {
namespace {

class ProxyFetchTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        HttpFetcher::globalInit();
        HttpFetcher::platformCheck();
        if (!test::TinyproxyProcess::available())
            return;
        proxyDir_ = new test::TempDir;
        proxy_ = new test::TinyproxyProcess;
        proxyStarted_ = proxy_->start(proxyDir_->str());
    }
    static void TearDownTestSuite() {
        delete proxy_;
        delete proxyDir_;
        proxy_ = nullptr;
        proxyDir_ = nullptr;
    }

    void SetUp() override {
        if (!test::TinyproxyProcess::available())
            GTEST_SKIP() << test::kTinyproxyProgram << " is not installed";
        ASSERT_TRUE(proxyStarted_) << "tinyproxy did not start";
        origin_.server().Get("/page", [this](const httplib::Request& req, httplib::Response& res) {
            std::lock_guard<std::mutex> lock(mutex_);
            ++requests_;
            lastVia_ = req.get_header_value("Via");
            res.set_content("origin page", "text/html");
        });
        origin_.start();
    }

    // Fetches the origin's page and tells whether the fetch succeeded with
    // the page stored; `via` gets the Via header the origin saw.
    bool fetchPage(int useProxy, const std::string& proxy, std::string& via) {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            lastVia_ = "(no request)";
        }
        const bool fetched = HttpFetcher::fetchToFile(u16(origin_.url("/page")), dir_.u16file("page.htm"), useProxy, u16(proxy));
        std::lock_guard<std::mutex> lock(mutex_);
        via = lastVia_;
        return fetched && dir_.read("page.htm") == "origin page";
    }

    static std::string deadAddress() { return "127.0.0.1:" + std::to_string(test::unusedLoopbackPort()); }
    static bool viaProxy(const std::string& via) { return via.find(test::kProxyName) != std::string::npos; }

    static inline test::TempDir* proxyDir_ = nullptr;
    static inline test::TinyproxyProcess* proxy_ = nullptr;
    static inline bool proxyStarted_ = false;

    test::ScopedProxyEnvironment environment_;
    test::TempDir dir_;
    test::LocalHttpServer origin_;
    std::mutex mutex_;
    int requests_ = 0;
    std::string lastVia_;
};

TEST_F(ProxyFetchTest, FlagDecidesWhetherTheGivenProxyIsUsed) {
    std::string via;
    ASSERT_TRUE(fetchPage(1, proxy_->address(), via));
    EXPECT_TRUE(viaProxy(via)) << via;

    ASSERT_TRUE(fetchPage(0, proxy_->address(), via));
    EXPECT_EQ(via, "");
}

// The environment's proxy, as libcurl reads it, stands for the platform's
// configured settings; an explicit proxy overrides its exceptions.
TEST_F(ProxyFetchTest, EnvironmentProxyAppliesWithoutTheFlag) {
    environment_.set("http_proxy", "http://" + proxy_->address());
    std::string via;
    ASSERT_TRUE(fetchPage(0, ":", via));
    EXPECT_TRUE(viaProxy(via)) << via;

    environment_.set("no_proxy", "127.0.0.1");
    ASSERT_TRUE(fetchPage(0, ":", via));
    EXPECT_EQ(via, "");
    ASSERT_TRUE(fetchPage(1, proxy_->address(), via));
    EXPECT_TRUE(viaProxy(via)) << via;
}

// A proxy that can't be reached costs one direct retry, not the download.
TEST_F(ProxyFetchTest, DeadProxyIsRetriedDirectly) {
    std::string via;
    ASSERT_TRUE(fetchPage(1, deadAddress(), via));
    EXPECT_EQ(via, "");

    environment_.set("http_proxy", "http://" + deadAddress());
    ASSERT_TRUE(fetchPage(0, ":", via));
    EXPECT_EQ(via, "");
    EXPECT_EQ(requests_, 2);
}

// The proxy text callers build from empty settings names no usable proxy:
// the request goes out directly on the retry.
TEST_F(ProxyFetchTest, EmptyProxyTextEndsInADirectRequest) {
    std::string via;
    EXPECT_TRUE(fetchPage(1, ":", via));
    EXPECT_EQ(via, "");
}

TEST_F(ProxyFetchTest, SecureRequestIsTunnelledThroughTheProxy) {
    test::TempDir certificateDir;
    test::TestCertificates certificates;
    ASSERT_TRUE(certificates.create(certificateDir.str())) << certificates.error();
    environment_.set("ZELVON_CA_FILE", certificates.path("ca.crt"));
    test::LocalTlsServer secure(certificates.path("wrong-name.crt"), certificates.keyFor("wrong-name.crt"));
    secure.server().Get("/page", [](const httplib::Request&, httplib::Response& res) { res.set_content("secure page", "text/html"); });
    ASSERT_TRUE(secure.start());

    const std::string url = secure.url("/page");
    ASSERT_TRUE(HttpFetcher::fetchToFile(u16(url), dir_.u16file("page.htm"), 1, u16(proxy_->address())));
    EXPECT_EQ(dir_.read("page.htm"), "secure page");
    // tinyproxy tags every log line about a connection "CONNECT"; the
    // request line itself is what shows the tunnel.
    const std::string hostAndPort = url.substr(std::string("https://").size(), url.find("/page") - std::string("https://").size());
    EXPECT_NE(proxy_->log().find("): CONNECT " + hostAndPort + " HTTP/"), std::string::npos) << proxy_->log();
}

} // namespace
} // namespace zelvon
