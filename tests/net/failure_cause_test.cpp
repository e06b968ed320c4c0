// Each way a download can fail, met for real on 127.0.0.1, must reach the
// caller as its own cause: the kind, the sentence a user reads, and the
// destination left as it was.

#include "net_test_support.h"
#include "test_certificates.h"

#include "foundation/text_codec.h"
#include "net/http_fetcher.h"
#include "support/local_http_server.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <memory>
#include <thread>

namespace zelvon {
namespace {

using namespace std::chrono_literals;

class FailureCauseTest : public ::testing::Test {
protected:
    void SetUp() override {
        HttpFetcher::globalInit();
        HttpFetcher::platformCheck();
        auto& http = server_.server();
        http.Get("/ok", [](const httplib::Request&, httplib::Response& res) { res.set_content("fine", "text/html"); });
        http.Get("/missing", [](const httplib::Request&, httplib::Response& res) { res.status = 404; });
        http.Get("/broken", [](const httplib::Request&, httplib::Response& res) { res.status = 500; });
        // Headers, then silence until the test ends.
        http.Get("/stall", [this](const httplib::Request&, httplib::Response& res) {
            res.set_content_provider(1000, "text/html", [this](size_t, size_t, httplib::DataSink&) {
                for (int i = 0; i < 300 && !stopping_; ++i)
                    std::this_thread::sleep_for(10ms);
                return false;
            });
        });
        // 100000 bytes announced, one sent every 200 ms: never a stall.
        http.Get("/trickle", [this](const httplib::Request&, httplib::Response& res) {
            res.set_content_provider(100000, "text/html", [this](size_t, size_t, httplib::DataSink& sink) {
                for (int i = 0; i < 20 && !stopping_; ++i)
                    std::this_thread::sleep_for(10ms);
                return !stopping_ && sink.write("x", 1);
            });
        });
        http.Get("/large", [](const httplib::Request&, httplib::Response& res) { res.set_content(std::string(5000, 'z'), "text/plain"); });
        server_.start();
    }
    void TearDown() override {
        stopping_ = true;
        server_.stop();
    }

    test::ScopedProxyEnvironment environment_;
    test::TempDir dir_;
    test::LocalHttpServer server_;
    std::atomic<bool> stopping_{false};
};

TEST_F(FailureCauseTest, EachServerBehaviourHasItsOwnCause) {
    const test::TestCertificates& certificates = test::TestCertificates::instance();
    ASSERT_TRUE(certificates.ok()) << certificates.error();
    test::LocalTlsServer selfSigned(certificates.path("self.crt"), certificates.keyFor("self.crt"));
    selfSigned.server().Get("/page", [](const httplib::Request&, httplib::Response& res) { res.set_content("secure", "text/html"); });
    ASSERT_TRUE(selfSigned.start());

    const int closedPort = test::unusedLoopbackPort();
    const std::string closed = "127.0.0.1:" + std::to_string(closedPort);
    const struct {
        const char* label;
        std::string url;
        std::string proxy; // through this proxy only, when set
        FailureKind kind;
        std::string sentence; // the start of what a user reads
    } cases[] = {
        {"refused port", "http://" + closed + "/", "", FailureKind::ConnectionRefused,
         "the server refused the connection (" + closed + ")"},
        {"404", server_.url("/missing"), "", FailureKind::HttpStatus, "the server answered 404 Not Found"},
        {"500", server_.url("/broken"), "", FailureKind::HttpStatus, "the server answered 500 Internal Server Error"},
        {"stalled", server_.url("/stall"), "", FailureKind::Stalled, "no data arrived for 0.5 seconds"},
        {"trickling", server_.url("/trickle"), "", FailureKind::TimedOut, "the download took longer than 1.5 seconds"},
        {"self-signed", selfSigned.url("/page"), "", FailureKind::TlsCertificate,
         "the secure connection failed: "},
        {"dead proxy", server_.url("/ok"), closed, FailureKind::ProxyFailed, "the proxy " + closed + " could not be reached"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        dir_.write("page.htm", "previous");
        FetchOptions options;
        options.timeLimit = 1500ms;
        options.stallLimit = 500ms;
        options.retryDirectly = c.proxy.empty();
        const auto started = std::chrono::steady_clock::now();
        const FetchResult result =
            HttpFetcher::fetchToFile(u16(c.url), dir_.u16file("page.htm"), c.proxy.empty() ? 0 : 1, u16(c.proxy), options);
        const auto took = std::chrono::steady_clock::now() - started;
        EXPECT_FALSE(result.ok);
        EXPECT_EQ(failureKindName(result.failure.kind), failureKindName(c.kind));
        const std::string sentence = toUtf8(describeFailure(result.failure));
        EXPECT_EQ(sentence.substr(0, c.sentence.size()), c.sentence) << sentence;
        EXPECT_EQ(dir_.read("page.htm"), "previous");
        // The total limit bounds every case.
        EXPECT_LT(took, 3s);
    }
    // libcurl's own words reach the detail of a TLS failure.
    const FetchResult tls = HttpFetcher::fetchToFile(u16(selfSigned.url("/page")),
                                                     dir_.u16file("page.htm"), 0, u":");
    EXPECT_NE(toUtf8(tls.failure.detail).find("certificate"), std::string::npos) << toUtf8(tls.failure.detail);
}

TEST_F(FailureCauseTest, AbortAndWriteFailuresAreTheirOwnCauses) {
    // An abort flag set while bytes trickle in ends the download within a
    // second, long before any limit.
    auto abort = std::make_shared<std::atomic<bool>>(false);
    FetchOptions options;
    options.abort = abort;
    std::thread stopper([abort] {
        std::this_thread::sleep_for(300ms);
        abort->store(true);
    });
    const auto started = std::chrono::steady_clock::now();
    const FetchResult aborted = HttpFetcher::fetchToFile(u16(server_.url("/trickle")), dir_.u16file("page.htm"), 0, u":", options);
    const auto took = std::chrono::steady_clock::now() - started;
    stopper.join();
    EXPECT_EQ(aborted.failure.kind, FailureKind::Cancelled);
    EXPECT_LT(took, 1500ms);
    EXPECT_FALSE(std::filesystem::exists(dir_.file("page.htm")));

    // The body arrived; the file could not be stored. The cause is the
    // system's, not the server's.
    const FetchResult unwritable = HttpFetcher::fetchToFile(u16(server_.url("/large")), dir_.u16file("no/such/folder/page.htm"), 0, u":");
    EXPECT_EQ(unwritable.failure.kind, FailureKind::WriteFailed);
    EXPECT_EQ(toUtf8(describeFailure(unwritable.failure)), "the file could not be written: No such file or directory");

    const FetchResult fine = HttpFetcher::fetchToFile(u16(server_.url("/ok")), dir_.u16file("page.htm"), 0, u":");
    EXPECT_TRUE(fine.ok);
    EXPECT_FALSE(fine.failure.failed());
}

} // namespace
} // namespace zelvon
