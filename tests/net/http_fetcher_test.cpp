// fetchToFile against a real HTTP server on 127.0.0.1: what is stored, what
// fails, and that a failure never touches an existing destination.

#include "loopback_port.h"
#include "raw_tcp_server.h"
#include "scoped_proxy_environment.h"

#include "foundation/file_io.h"
#include "foundation/text_codec.h"
#include "net/http_fetcher.h"
#include "support/local_http_server.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <mutex>
#include <thread>
#include <vector>

namespace zelvon {
namespace {

using namespace std::chrono_literals;

constexpr size_t kBodyCap = size_t{64} * 1024 * 1024;

// Several megabytes of every byte value, line ends and NULs included, so a
// text-mode or C-string slip shows up.
std::string largeBody() {
    std::string body;
    body.reserve(3 * 1024 * 1024 + 17);
    for (size_t i = 0; body.size() < 3 * 1024 * 1024 + 17; ++i)
        body.push_back(static_cast<char>((i * 7 + i / 251) & 0xff));
    return body;
}

bool fetch(const std::string& url, const std::u16string& dest, int useProxy = 0, const std::string& proxy = ":") {
    return HttpFetcher::fetchToFile(u16(url), dest, useProxy, u16(proxy));
}

class HttpFetcherTest : public ::testing::Test {
protected:
    void SetUp() override {
        HttpFetcher::globalInit();
        HttpFetcher::platformCheck();
        auto& http = server_.server();
        http.Get("/large", [](const httplib::Request&, httplib::Response& res) { res.set_content(largeBody(), "application/octet-stream"); });
        http.Get("/empty", [](const httplib::Request&, httplib::Response& res) { res.set_content("", "text/html"); });
        http.Get(R"(/status/(\d+))", [](const httplib::Request& req, httplib::Response& res) {
            res.status = std::stoi(req.matches[1]);
            res.set_content("an error page that must not be stored", "text/html");
        });
        http.Get("/moved-without-location", [](const httplib::Request&, httplib::Response& res) {
            res.status = 301;
            res.set_content("moved, but nowhere", "text/html");
        });
        http.Get(R"(/hop/(\d+))", [this](const httplib::Request& req, httplib::Response& res) {
            ++hops_;
            const int left = std::stoi(req.matches[1]);
            if (left == 0)
                res.set_content("arrived", "text/plain");
            else
                res.set_redirect("/hop/" + std::to_string(left - 1), left % 2 == 0 ? 302 : 301);
        });
        http.Get("/loop", [](const httplib::Request&, httplib::Response& res) { res.set_redirect("/loop"); });
        http.Get("/to-missing", [](const httplib::Request&, httplib::Response& res) { res.set_redirect("/status/404"); });
        http.Get("/to-file", [](const httplib::Request&, httplib::Response& res) { res.set_redirect("file:///etc/hostname"); });
        http.Get("/to-ftp", [](const httplib::Request&, httplib::Response& res) { res.set_redirect("ftp://127.0.0.1/pub/x"); });
        http.Get("/headers", [this](const httplib::Request& req, httplib::Response& res) {
            std::lock_guard<std::mutex> lock(mutex_);
            seenHeaders_ = req.headers;
            res.set_content("ok", "text/plain");
        });
        http.Get(R"(/numbered/(\d+))", [](const httplib::Request& req, httplib::Response& res) {
            std::string body;
            for (int i = 0; i < 2000; ++i)
                body += "entry " + std::string(req.matches[1]) + "\n";
            res.set_content(body, "text/plain");
        });
        http.Get("/over-cap-chunked", [](const httplib::Request&, httplib::Response& res) {
            res.set_chunked_content_provider("application/octet-stream", [](size_t offset, httplib::DataSink& sink) {
                static const std::string block(1024 * 1024, 'x');
                if (offset > kBodyCap) {
                    sink.done();
                    return true;
                }
                // The last block passes the cap by a single byte.
                const size_t size = offset == kBodyCap ? 1 : block.size();
                return sink.write(block.data(), size);
            });
        });
        http.Get("/over-cap-announced", [](const httplib::Request&, httplib::Response& res) {
            res.set_content_provider(kBodyCap + 1, "application/octet-stream", [](size_t offset, size_t length, httplib::DataSink& sink) {
                static const std::string block(64 * 1024, 'y');
                (void)offset;
                return sink.write(block.data(), std::min(length, block.size()));
            });
        });
        http.Get("/stall", [this](const httplib::Request&, httplib::Response& res) {
            res.set_content_provider(100000, "text/html", [this](size_t offset, size_t, httplib::DataSink& sink) {
                if (offset == 0)
                    return sink.write(std::string(1000, 'a').data(), 1000);
                // Hold the connection open, silent, until the test is done.
                std::unique_lock<std::mutex> lock(mutex_);
                released_.wait_for(lock, 30s, [this] { return release_; });
                return false;
            });
        });
        server_.start();
    }

    void TearDown() override {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            release_ = true;
        }
        released_.notify_all();
        server_.stop();
    }

    std::string url(const std::string& path) const { return server_.url(path); }

    test::ScopedProxyEnvironment environment_;
    test::TempDir dir_;
    test::LocalHttpServer server_;
    std::atomic<int> hops_{0};
    std::mutex mutex_;
    std::condition_variable released_;
    bool release_ = false;
    httplib::Headers seenHeaders_;
};

TEST_F(HttpFetcherTest, StoresLargeBinaryBodyWhole) {
    ASSERT_TRUE(fetch(url("/large"), dir_.u16file("page.htm")));
    EXPECT_TRUE(dir_.read("page.htm") == largeBody());
}

// An empty body is a success: the file exists and is empty, also where a
// larger one stood.
TEST_F(HttpFetcherTest, EmptyBodyGivesEmptyFile) {
    ASSERT_TRUE(fetch(url("/empty"), dir_.u16file("new.htm")));
    EXPECT_TRUE(std::filesystem::exists(dir_.file("new.htm")));
    EXPECT_EQ(std::filesystem::file_size(dir_.file("new.htm")), 0u);

    dir_.write("old.htm", std::string(500000, 'o'));
    ASSERT_TRUE(fetch(url("/empty"), dir_.u16file("old.htm")));
    EXPECT_EQ(std::filesystem::file_size(dir_.file("old.htm")), 0u);
}

TEST_F(HttpFetcherTest, SchemeInCapitalsIsAccepted) {
    std::string shouting = url("/empty");
    shouting.replace(0, 4, "HTTP");
    EXPECT_TRUE(fetch(shouting, dir_.u16file("page.htm")));
}

// Every final status but 200 fails and leaves the old file alone.
TEST_F(HttpFetcherTest, StatusOtherThan200KeepsDestination) {
    for (const std::string path : {"/status/404", "/status/500", "/status/204", "/status/203", "/moved-without-location", "/to-missing"}) {
        SCOPED_TRACE(path);
        dir_.write("page.htm", "previous content");
        EXPECT_FALSE(fetch(url(path), dir_.u16file("page.htm")));
        EXPECT_EQ(dir_.read("page.htm"), "previous content");
    }
}

TEST_F(HttpFetcherTest, FollowsRedirectsUpToTen) {
    ASSERT_TRUE(fetch(url("/hop/10"), dir_.u16file("page.htm")));
    EXPECT_EQ(dir_.read("page.htm"), "arrived");
    EXPECT_EQ(hops_.load(), 11);
}

TEST_F(HttpFetcherTest, TooManyRedirectsFail) {
    dir_.write("page.htm", "previous content");
    EXPECT_FALSE(fetch(url("/hop/11"), dir_.u16file("page.htm")));
    EXPECT_FALSE(fetch(url("/loop"), dir_.u16file("page.htm")));
    EXPECT_EQ(dir_.read("page.htm"), "previous content");
}

// A server must not be able to send the fetcher to a local file or to
// another protocol.
TEST_F(HttpFetcherTest, RedirectToOtherSchemeFails) {
    for (const std::string path : {"/to-file", "/to-ftp"}) {
        SCOPED_TRACE(path);
        EXPECT_FALSE(fetch(url(path), dir_.u16file("page.htm")));
        EXPECT_FALSE(std::filesystem::exists(dir_.file("page.htm")));
    }
}

TEST_F(HttpFetcherTest, SendsAgentAndNoCacheHeaders) {
    ASSERT_TRUE(fetch(url("/headers"), dir_.u16file("page.htm")));
    std::lock_guard<std::mutex> lock(mutex_);
    const auto header = [this](const char* name) {
        const auto found = seenHeaders_.find(name);
        return found == seenHeaders_.end() ? std::string("(missing)") : found->second;
    };
    EXPECT_EQ(header("User-Agent"), "CeHttp");
    EXPECT_EQ(header("Cache-Control"), "no-cache");
    EXPECT_EQ(header("Pragma"), "no-cache");
}

TEST_F(HttpFetcherTest, RefusesUrlsThatAreNotHttp) {
    // The scheme-less form would reach the live server if libcurl were
    // allowed to guess a scheme.
    const std::string hostAndPath = "127.0.0.1:" + std::to_string(server_.port()) + "/empty";
    const std::vector<std::string> refused = {std::string(),          "ftp://" + hostAndPath,   "file:///etc/hostname", hostAndPath,
                                              "//" + hostAndPath,     " http://" + hostAndPath, "http:/" + hostAndPath, "http://"};
    for (const std::string& bad : refused) {
        SCOPED_TRACE(bad);
        EXPECT_FALSE(fetch(bad, dir_.u16file("page.htm")));
        EXPECT_FALSE(std::filesystem::exists(dir_.file("page.htm")));
    }
    // A NUL would cut the URL short on its way into libcurl.
    std::string withNul = "http://" + hostAndPath;
    withNul.insert(withNul.size() - 6, 1, '\0');
    EXPECT_FALSE(fetch(withNul, dir_.u16file("page.htm")));
}

TEST_F(HttpFetcherTest, RefusedConnectionFailsFast) {
    const int deadPort = test::unusedLoopbackPort();
    ASSERT_GT(deadPort, 0);
    dir_.write("page.htm", "previous content");
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(fetch("http://127.0.0.1:" + std::to_string(deadPort) + "/", dir_.u16file("page.htm")));
    // Far below the 5 s connect time-out: a refusal is not waited out.
    EXPECT_LT(std::chrono::steady_clock::now() - start, 4s);
    EXPECT_EQ(dir_.read("page.htm"), "previous content");
}

TEST_F(HttpFetcherTest, UnwritableDestinationFails) {
    EXPECT_FALSE(fetch(url("/large"), dir_.u16file("no/such/folder/page.htm")));
    EXPECT_FALSE(std::filesystem::exists(dir_.file("no")));

    std::filesystem::create_directory(dir_.file("folder"));
    EXPECT_FALSE(fetch(url("/large"), dir_.u16file("folder")));
    EXPECT_TRUE(std::filesystem::is_directory(dir_.file("folder")));

    // The path must not be cut short at a NUL and hit page.htm instead.
    dir_.write("page.htm", "previous content");
    std::u16string withNul = dir_.u16file("page.htm");
    withNul += u'\0';
    withNul += u".part";
    EXPECT_FALSE(fetch(url("/large"), withNul));
    EXPECT_EQ(dir_.read("page.htm"), "previous content");
    EXPECT_FALSE(fetch(url("/large"), u""));
}

// A write that dies before the rename (full disk, crash) reports failure
// and leaves the old file.
TEST_F(HttpFetcherTest, FailedWriteReportsFailureAndKeepsOldFile) {
    dir_.write("page.htm", "previous content");
    setBeforeRenameHookForTesting([](const std::string&) { return false; });
    const bool fetched = fetch(url("/large"), dir_.u16file("page.htm"));
    setBeforeRenameHookForTesting(nullptr);
    EXPECT_FALSE(fetched);
    EXPECT_EQ(dir_.read("page.htm"), "previous content");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir_.path()), std::filesystem::directory_iterator()), 1);
}

TEST_F(HttpFetcherTest, BodyOverTheCapFails) {
    for (const std::string path : {"/over-cap-chunked", "/over-cap-announced"}) {
        SCOPED_TRACE(path);
        dir_.write("page.htm", "previous content");
        EXPECT_FALSE(fetch(url(path), dir_.u16file("page.htm")));
        EXPECT_EQ(dir_.read("page.htm"), "previous content");
    }
}

TEST_F(HttpFetcherTest, ConcurrentFetchesKeepTheirOwnBodies) {
    constexpr int kThreads = 6;
    std::vector<std::thread> threads;
    std::atomic<int> succeeded{0};
    for (int t = 0; t < kThreads; ++t)
        threads.emplace_back([&, t] {
            for (int round = 0; round < 3; ++round)
                if (fetch(url("/numbered/" + std::to_string(t)), dir_.u16file("out" + std::to_string(t) + ".txt")))
                    ++succeeded;
        });
    for (auto& thread : threads)
        thread.join();
    EXPECT_EQ(succeeded.load(), kThreads * 3);
    for (int t = 0; t < kThreads; ++t) {
        const std::string body = dir_.read("out" + std::to_string(t) + ".txt");
        EXPECT_EQ(body.size(), 2000 * ("entry " + std::to_string(t) + "\n").size());
        EXPECT_EQ(body.substr(0, 8), "entry " + std::to_string(t) + "\n");
    }
}

// A reply without any status line is accepted as status-less and stored.
TEST(HttpFetcherRawReplyTest, ReplyWithoutStatusLineIsStored) {
    test::ScopedProxyEnvironment environment;
    test::TempDir dir;
    test::RawTcpServer server([](int socket, const test::RawTcpServer&) { test::RawTcpServer::sendAll(socket, "<html>old style</html>\n"); });
    ASSERT_TRUE(fetch(server.url("/"), dir.u16file("page.htm")));
    EXPECT_EQ(dir.read("page.htm"), "<html>old style</html>\n");
}

TEST(HttpFetcherRawReplyTest, ConnectionClosedMidBodyFails) {
    test::ScopedProxyEnvironment environment;
    test::TempDir dir;
    dir.write("page.htm", "previous content");
    test::RawTcpServer server([](int socket, const test::RawTcpServer&) {
        test::RawTcpServer::sendAll(socket, "HTTP/1.1 200 OK\r\nContent-Length: 5000\r\n\r\nonly a part");
    });
    EXPECT_FALSE(fetch(server.url("/"), dir.u16file("page.htm")));
    EXPECT_EQ(dir.read("page.htm"), "previous content");
    // The response had begun: a broken body is a read failure, not a
    // request to retry.
    EXPECT_EQ(server.connections(), 1);
}

// Takes the full ten seconds of the stall time-out.
TEST_F(HttpFetcherTest, SlowStalledBodyFailsAfterTenSeconds) {
    dir_.write("page.htm", "previous content");
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(fetch(url("/stall"), dir_.u16file("page.htm")));
    const auto elapsed = std::chrono::steady_clock::now() - start;
    EXPECT_GE(elapsed, 9s);
    EXPECT_LT(elapsed, 14s);
    EXPECT_EQ(dir_.read("page.htm"), "previous content");
}

} // namespace
} // namespace zelvon
