// Secure requests against HTTPS servers on 127.0.0.1 with certificates made
// at test time: name and date errors are forgiven, an untrusted chain never.

#include "net_test_support.h"
#include "test_certificates.h"
#include "tinyproxy_process.h"

#include "foundation/text_codec.h"
#include "net/http_fetcher.h"
#include "net/transfer.h"
#include "support/local_http_server.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <memory>

namespace zelvon {
namespace {

class TlsFetchTest : public ::testing::Test {
protected:
    void SetUp() override {
        HttpFetcher::globalInit();
        HttpFetcher::platformCheck();
        ASSERT_TRUE(certificates().ok()) << certificates().error();
    }

    static const test::TestCertificates& certificates() { return test::TestCertificates::instance(); }

    // An HTTPS server presenting `certificate`, answering /page.
    static std::unique_ptr<test::LocalTlsServer> serve(const std::string& certificate) {
        auto server = std::make_unique<test::LocalTlsServer>(certificates().path(certificate), certificates().keyFor(certificate));
        server->server().Get("/page", [](const httplib::Request&, httplib::Response& res) { res.set_content("secure page", "text/html"); });
        EXPECT_TRUE(server->start()) << "could not serve " << certificate;
        return server;
    }

    test::ScopedProxyEnvironment environment_;
    test::TempDir dir_;
};

TEST_F(TlsFetchTest, OnlyNameAndDateErrorsUnderATrustedRootAreForgiven) {
    // Plain URLs that redirect to https://127.0.0.1:PORT/page.
    test::LocalHttpServer plain;
    plain.server().Get(R"(/to/(\d+))", [](const httplib::Request& req, httplib::Response& res) {
        res.set_redirect("https://127.0.0.1:" + std::string(req.matches[1]) + "/page");
    });
    plain.start();
    enum Route { Direct, Capitals, PlainRedirect, HttpsInQuery };
    const struct {
        const char* certificate;
        const char* caFile;
        Route route;
        bool fetched;
    } cases[] = {
        {"good.crt", "ca.crt", Direct, true},
        {"wrong-name.crt", "ca.crt", Direct, true},
        {"expired.crt", "ca.crt", Direct, true},
        {"not-yet-valid.crt", "ca.crt", Direct, true},
        {"wrong-name.crt", "ca.crt", Capitals, true}, // still a secure request
        {"self.crt", "ca.crt", Direct, false},
        {"rogue-expired.crt", "ca.crt", Direct, false},
        // The test authority is trusted only through ZELVON_CA_FILE; a file
        // that can't be read fails rather than trusting less or more.
        {"good.crt", "rogue.crt", Direct, false},
        {"good.crt", "missing.pem", Direct, false},
        // A plain URL redirected to TLS is checked strictly, unless
        // "https://" appears in it anywhere.
        {"good.crt", "ca.crt", PlainRedirect, true},
        {"wrong-name.crt", "ca.crt", PlainRedirect, false},
        {"wrong-name.crt", "ca.crt", HttpsInQuery, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.certificate << " under " << c.caFile << ", route " << c.route);
        const auto server = serve(c.certificate);
        environment_.set("ZELVON_CA_FILE", certificates().path(c.caFile));
        std::string url = server->url("/page");
        const std::string port = url.substr(18, url.size() - 18 - 5); // between "https://127.0.0.1:" and "/page"
        if (c.route == Capitals)
            url.replace(0, 5, "HTTPS");
        else if (c.route != Direct)
            url = plain.url("/to/" + port) + (c.route == HttpsInQuery ? "?from=HTTPS://elsewhere/" : "");
        dir_.write("page.htm", "previous content");
        EXPECT_EQ(HttpFetcher::fetchToFile(u16(url), dir_.u16file("page.htm"), 0, u":").ok, c.fetched);
        EXPECT_EQ(dir_.read("page.htm"), c.fetched ? "secure page" : "previous content");
    }
}

// Through the transfer itself: the fetcher's direct retry would hide a
// tunnel that failed.
TEST_F(TlsFetchTest, SecureRequestIsTunnelledThroughTheProxy) {
    test::TinyproxyProcess proxy;
    ASSERT_TRUE(proxy.running()) << "tinyproxy did not start: " << proxy.log();
    const auto server = serve("wrong-name.crt");
    net::TransferRequest request;
    request.url = server->url("/page");
    request.access = net::ProxyAccess::Explicit;
    request.proxy = proxy.address();
    request.secure = true;
    request.extraCaFile = certificates().path("ca.crt");
    const auto outcome = net::performTransfer(request);
    EXPECT_EQ(outcome.error, net::TransferError::None) << net::describe(outcome.error);
    EXPECT_EQ(outcome.body, "secure page");
    EXPECT_NE(proxy.log().find("CONNECT " + request.url.substr(8, request.url.size() - 8 - 5) + " HTTP/"), std::string::npos) << proxy.log();
}

} // namespace
} // namespace zelvon
