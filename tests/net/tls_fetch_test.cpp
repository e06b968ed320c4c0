// Secure requests against HTTPS servers on 127.0.0.1 with certificates made
// at test time: name and date errors are forgiven, an untrusted chain never.

#include "local_tls_server.h"
#include "scoped_proxy_environment.h"
#include "test_certificates.h"

#include "foundation/text_codec.h"
#include "net/http_fetcher.h"
#include "support/local_http_server.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <memory>

namespace zelvon {
namespace {

class TlsFetchTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        HttpFetcher::globalInit();
        HttpFetcher::platformCheck();
        certificateDir_ = new test::TempDir;
        certificates_ = new test::TestCertificates;
        certificatesMade_ = certificates_->create(certificateDir_->str());
    }
    static void TearDownTestSuite() {
        delete certificates_;
        delete certificateDir_;
        certificates_ = nullptr;
        certificateDir_ = nullptr;
    }

    void SetUp() override {
        ASSERT_TRUE(certificatesMade_) << certificates_->error();
        environment_.set("ZELVON_CA_FILE", certificates_->path("ca.crt"));
    }

    // An HTTPS server presenting `certificate`, answering /page.
    std::unique_ptr<test::LocalTlsServer> serve(const std::string& certificate) {
        auto server = std::make_unique<test::LocalTlsServer>(certificates_->path(certificate), certificates_->keyFor(certificate));
        server->server().Get("/page", [](const httplib::Request&, httplib::Response& res) { res.set_content("secure page", "text/html"); });
        if (!server->start())
            ADD_FAILURE() << "could not serve " << certificate;
        return server;
    }

    bool fetch(const std::string& url) { return HttpFetcher::fetchToFile(u16(url), dir_.u16file("page.htm"), 0, u":"); }

    static inline test::TempDir* certificateDir_ = nullptr;
    static inline test::TestCertificates* certificates_ = nullptr;
    static inline bool certificatesMade_ = false;

    test::ScopedProxyEnvironment environment_;
    test::TempDir dir_;
};

TEST_F(TlsFetchTest, NameAndDateErrorsUnderATrustedRootAreTolerated) {
    for (const std::string certificate : {"good.crt", "wrong-name.crt", "expired.crt", "not-yet-valid.crt"}) {
        SCOPED_TRACE(certificate);
        const auto server = serve(certificate);
        dir_.write("page.htm", "previous content");
        EXPECT_TRUE(fetch(server->url("/page")));
        EXPECT_EQ(dir_.read("page.htm"), "secure page");
    }
}

TEST_F(TlsFetchTest, UntrustedChainsFail) {
    for (const std::string certificate : {"self.crt", "rogue-expired.crt"}) {
        SCOPED_TRACE(certificate);
        const auto server = serve(certificate);
        dir_.write("page.htm", "previous content");
        EXPECT_FALSE(fetch(server->url("/page")));
        EXPECT_EQ(dir_.read("page.htm"), "previous content");
    }
}

TEST_F(TlsFetchTest, TestAuthorityIsTrustedOnlyThroughTheCaFileVariable) {
    const auto server = serve("good.crt");
    environment_.set("ZELVON_CA_FILE", certificates_->path("rogue.crt"));
    EXPECT_FALSE(fetch(server->url("/page")));
    // A CA file that cannot be read fails secure requests rather than
    // quietly trusting less or more than the user asked for.
    environment_.set("ZELVON_CA_FILE", dir_.file("missing.pem"));
    EXPECT_FALSE(fetch(server->url("/page")));
    environment_.set("ZELVON_CA_FILE", certificates_->path("ca.crt"));
    EXPECT_TRUE(fetch(server->url("/page")));
}

TEST_F(TlsFetchTest, SchemeInCapitalsIsStillASecureRequest) {
    const auto server = serve("wrong-name.crt");
    std::string url = server->url("/page");
    url.replace(0, 5, "HTTPS");
    EXPECT_TRUE(fetch(url));
}

// Only a URL that itself contains "https://" tolerates certificate errors; a
// plain one that is redirected to TLS gets the strict checks.
TEST_F(TlsFetchTest, RedirectFromPlainUrlChecksCertificatesStrictly) {
    const auto good = serve("good.crt");
    const auto wrongName = serve("wrong-name.crt");
    test::LocalHttpServer plain;
    plain.server().Get("/to-good", [&](const httplib::Request&, httplib::Response& res) { res.set_redirect(good->url("/page")); });
    plain.server().Get("/to-wrong-name", [&](const httplib::Request&, httplib::Response& res) { res.set_redirect(wrongName->url("/page")); });
    plain.start();

    EXPECT_TRUE(fetch(plain.url("/to-good")));
    EXPECT_FALSE(fetch(plain.url("/to-wrong-name")));
    EXPECT_TRUE(fetch(plain.url("/to-wrong-name?from=HTTPS://elsewhere/")));
}

} // namespace
} // namespace zelvon
