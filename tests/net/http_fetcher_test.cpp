// fetchToFile and the single transfer beneath it against real servers on
// 127.0.0.1: what is stored, how each failure is told apart, and that a
// failure never touches an existing destination.

#include "net_test_support.h"

#include "foundation/file_io.h"
#include "foundation/text_codec.h"
#include "net/http_fetcher.h"
#include "net/transfer.h"
#include "support/local_http_server.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <filesystem>
#include <mutex>
#include <thread>
#include <vector>

namespace zelvon {
namespace {

using namespace std::chrono_literals;
using net::TransferError;

constexpr size_t kBodyCap = size_t{64} * 1024 * 1024;

// Megabytes of every byte value, line ends and NULs included, so a
// text-mode or C-string slip shows up.
std::string largeBody() {
    std::string body(3 * 1024 * 1024 + 17, '\0');
    for (size_t i = 0; i < body.size(); ++i)
        body[i] = static_cast<char>((i * 7 + i / 251) & 0xff);
    return body;
}

std::string okWith(const std::string& body) {
    return "HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body;
}

class FetchTest : public ::testing::Test {
protected:
    void SetUp() override {
        HttpFetcher::globalInit();
        HttpFetcher::platformCheck();
        auto& http = server_.server();
        const auto number = [](const httplib::Request& req) { return std::stoul(req.matches[1]); };
        http.Get("/large", [](const httplib::Request&, httplib::Response& res) { res.set_content(largeBody(), "application/octet-stream"); });
        http.Get(R"(/bytes/(\d+))", [=](const httplib::Request& req, httplib::Response& res) { res.set_content(std::string(number(req), 'z'), "text/plain"); });
        // The same without a Content-Length.
        http.Get(R"(/chunked/(\d+))", [=](const httplib::Request& req, httplib::Response& res) {
            res.set_chunked_content_provider("text/plain", [size = number(req)](size_t offset, httplib::DataSink& sink) {
                const std::string block(std::min<size_t>(size - offset, 300), 'z');
                return block.empty() ? (sink.done(), true) : sink.write(block.data(), block.size());
            });
        });
        http.Get(R"(/status/(\d+))", [=](const httplib::Request& req, httplib::Response& res) {
            res.status = static_cast<int>(number(req));
            res.set_content("an error page that must not be stored", "text/html");
        });
        http.Get(R"(/hop/(\d+))", [=, this](const httplib::Request& req, httplib::Response& res) {
            ++hops_;
            const auto left = number(req);
            left == 0 ? res.set_content("arrived", "text/plain") : res.set_redirect("/hop/" + std::to_string(left - 1), left % 2 ? 301 : 302);
        });
        http.Get("/redirect", [](const httplib::Request& req, httplib::Response& res) { res.set_redirect(req.get_param_value("to")); });
        http.Get("/headers", [this](const httplib::Request& req, httplib::Response&) {
            std::lock_guard<std::mutex> lock(mutex_);
            seenHeaders_ = req.headers;
        });
        http.Get("/over-cap", [](const httplib::Request&, httplib::Response& res) {
            res.set_content_provider(kBodyCap + 1, "text/plain", [](size_t, size_t length, httplib::DataSink& sink) {
                static const std::string block(64 * 1024, 'y');
                return sink.write(block.data(), std::min(length, block.size()));
            });
        });
        // A response that breaks off after a few bytes of its body.
        http.Get("/cut", [](const httplib::Request&, httplib::Response& res) {
            res.set_content_provider(500, "text/plain", [](size_t, size_t, httplib::DataSink& sink) {
                sink.write("only a part", 11);
                return false;
            });
        });
        // Silence before any response, and silence after N bytes of a body.
        http.Get("/silent", [this](const httplib::Request&, httplib::Response& res) {
            waitForRelease();
            res.set_content("too late", "text/plain");
        });
        http.Get(R"(/stall/(\d+))", [=, this](const httplib::Request& req, httplib::Response& res) {
            res.set_content_provider(number(req) + 500, "text/html", [this, sent = number(req)](size_t offset, size_t, httplib::DataSink& sink) {
                if (offset < sent)
                    return sink.write(std::string(sent, 'a').data(), sent);
                waitForRelease();
                return false;
            });
        });
        // Six bytes, a quarter of a second apart.
        http.Get("/trickle", [](const httplib::Request&, httplib::Response& res) {
            res.set_chunked_content_provider("text/plain", [](size_t offset, httplib::DataSink& sink) {
                if (offset == 6)
                    return sink.done(), true;
                std::this_thread::sleep_for(250ms);
                return sink.write(std::string(1, static_cast<char>('a' + offset)).data(), 1);
            });
        });
        server_.start();
    }

    void TearDown() override {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            released_ = true;
        }
        release_.notify_all();
        server_.stop();
    }

    void waitForRelease() {
        std::unique_lock<std::mutex> lock(mutex_);
        release_.wait_for(lock, 30s, [this] { return released_; });
    }

    std::string url(const std::string& path) const { return server_.url(path); }
    static std::string deadUrl() { return "http://127.0.0.1:" + std::to_string(test::unusedLoopbackPort()) + "/"; }
    bool fetch(const std::string& from, const std::string& name = "page.htm") {
        return HttpFetcher::fetchToFile(u16(from), dir_.u16file(name), 0, u":").ok;
    }
    size_t filesInDir() const {
        return static_cast<size_t>(std::distance(std::filesystem::directory_iterator(dir_.path()), std::filesystem::directory_iterator()));
    }

    test::ScopedProxyEnvironment environment_;
    test::TempDir dir_;
    test::LocalHttpServer server_;
    std::atomic<int> hops_{0};
    std::mutex mutex_;
    std::condition_variable release_;
    bool released_ = false;
    httplib::Headers seenHeaders_;
};

TEST_F(FetchTest, StoresTheWholeBodyOfA200) {
    // A larger file stood there before: even an empty body replaces it.
    dir_.write("page.htm", std::string(500000, 'o'));
    const struct {
        std::string url;
        std::string body;
    } cases[] = {
        {url("/large"), largeBody()},
        {url("/bytes/0"), ""},
        {"HTTP" + url("/bytes/3").substr(4), "zzz"},
        {url("/hop/10"), "arrived"}, // ten redirects are followed
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.url);
        EXPECT_TRUE(fetch(c.url));
        EXPECT_TRUE(dir_.read("page.htm") == c.body) << dir_.read("page.htm").size() << " bytes stored";
    }
    EXPECT_EQ(hops_.load(), 11);
}

TEST_F(FetchTest, FailuresLeaveTheDestinationAlone) {
    const std::string hostAndPath = "127.0.0.1:" + std::to_string(server_.port()) + "/bytes/3";
    // Cut short at the NUL, this one would fetch fine.
    const std::string withNul = "http://" + hostAndPath + std::string(1, '\0') + "/more";
    const std::string failing[] = {
        url("/status/404"), url("/status/204"), url("/status/301"), url("/redirect?to=/status/404"),
        url("/hop/11"), // too many redirects
        url("/over-cap"), url("/cut"), deadUrl(),
        // Not http at all, or not absolute: libcurl must not guess a scheme
        // and reach the live server anyway.
        "", "ftp://" + hostAndPath, "file:///etc/hostname", hostAndPath, "//" + hostAndPath, " http://" + hostAndPath,
        "http:/" + hostAndPath, "http://", withNul,
    };
    for (const std::string& bad : failing) {
        SCOPED_TRACE(bad);
        dir_.write("page.htm", "previous content");
        EXPECT_FALSE(fetch(bad));
        EXPECT_EQ(dir_.read("page.htm"), "previous content");
        EXPECT_EQ(filesInDir(), 1u);
    }
}

TEST_F(FetchTest, WriteFailuresReportFalse) {
    dir_.write("page.htm", "previous content");
    std::filesystem::create_directory(dir_.file("folder"));
    // A NUL must not cut the path short and hit page.htm instead.
    for (const std::string& name : {std::string("no/such/folder/page.htm"), std::string("folder"), "page.htm" + std::string(1, '\0') + ".part"}) {
        SCOPED_TRACE(name);
        EXPECT_FALSE(fetch(url("/large"), name));
    }
    EXPECT_FALSE(HttpFetcher::fetchToFile(u16(url("/large")), u"", 0, u":"));
    // A write that dies before the rename (full disk, crash).
    setBeforeRenameHookForTesting([](const std::string&) { return false; });
    const bool fetched = fetch(url("/large"));
    setBeforeRenameHookForTesting(nullptr);
    EXPECT_FALSE(fetched);
    EXPECT_EQ(dir_.read("page.htm"), "previous content");
    EXPECT_TRUE(std::filesystem::is_directory(dir_.file("folder")));
    EXPECT_EQ(filesInDir(), 2u);
}

TEST_F(FetchTest, SendsAgentAndNoCacheHeaders) {
    ASSERT_TRUE(fetch(url("/headers")));
    std::lock_guard<std::mutex> lock(mutex_);
    const std::pair<const char*, const char*> expected[] = {{"User-Agent", "CeHttp"}, {"Cache-Control", "no-cache"}, {"Pragma", "no-cache"}};
    for (const auto& [name, value] : expected) {
        const auto found = seenHeaders_.find(name);
        EXPECT_EQ(found == seenHeaders_.end() ? "(missing)" : found->second, value) << name;
    }
}

TEST_F(FetchTest, ConcurrentFetchesKeepTheirOwnBodies) {
    std::vector<std::thread> threads;
    std::atomic<int> succeeded{0};
    for (int t = 1; t <= 6; ++t)
        threads.emplace_back([&, t] {
            for (int round = 0; round < 3; ++round)
                succeeded += fetch(url("/bytes/" + std::to_string(t * 10000)), "out" + std::to_string(t)) ? 1 : 0;
        });
    for (auto& thread : threads)
        thread.join();
    EXPECT_EQ(succeeded.load(), 18);
    for (int t = 1; t <= 6; ++t)
        EXPECT_EQ(dir_.read("out" + std::to_string(t)), std::string(t * 10000, 'z'));
}

// An unopened request (no response at all) gets one more, direct attempt,
// and no more than one.
TEST_F(FetchTest, RetriesAnUnopenedRequestOnce) {
    for (const size_t answeringConnection : {2u, 3u}) {
        SCOPED_TRACE(answeringConnection);
        std::vector<std::string> replies(answeringConnection - 1, "");
        replies.push_back(okWith("answered"));
        test::RawTcpServer server(replies);
        EXPECT_EQ(fetch(server.url(), "page" + std::to_string(answeringConnection)), answeringConnection == 2);
        EXPECT_EQ(server.connections(), 2);
    }
    EXPECT_EQ(dir_.read("page2"), "answered");
}

// Takes the full ten seconds of the stall time-out.
TEST_F(FetchTest, SlowStalledBodyFailsAfterTenSeconds) {
    dir_.write("page.htm", "previous content");
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(fetch(url("/stall/1000")));
    const auto elapsed = std::chrono::steady_clock::now() - start;
    EXPECT_GE(elapsed, 9s);
    EXPECT_LT(elapsed, 14s);
    EXPECT_EQ(dir_.read("page.htm"), "previous content");
}

// One transfer with shortened limits: the fetcher retries only requests
// that never got a response, so each way of failing must be told apart.
TEST_F(FetchTest, TransferOutcomeTellsHowItEnded) {
    const std::string dead = deadUrl();
    test::RawTcpServer hangingUp({""});
    test::RawTcpServer noStatusLine({"plain words"});
    // A header that merely looks like a status line.
    test::RawTcpServer fakeStatus({"HTTP/1.1 404 Not Found\r\nHTTP/1.1 200 OK: x\r\nContent-Length: 4\r\n\r\nbody"});
    const struct {
        std::string url;
        TransferError error;
        long status;
        bool neverOpened;
        std::string body;
    } cases[] = {
        {url("/silent"), TransferError::Stalled, 0, true, ""},
        {url("/stall/0"), TransferError::Stalled, 200, false, ""},
        {url("/trickle"), TransferError::None, 200, false, "abcdef"}, // slow, but never silent for long
        {url("/bytes/1000"), TransferError::None, 200, false, std::string(1000, 'z')},
        {url("/chunked/1000"), TransferError::None, 200, false, std::string(1000, 'z')},
        {url("/bytes/1001"), TransferError::TooLarge, 0, false, ""}, // refused on its Content-Length alone
        {url("/chunked/1001"), TransferError::TooLarge, 200, false, ""},
        {url("/status/404"), TransferError::HttpStatus, 404, false, ""},
        {fakeStatus.url(), TransferError::HttpStatus, 404, false, ""},
        {url("/cut"), TransferError::ReadFailed, 200, false, ""},
        {noStatusLine.url(), TransferError::None, 0, false, "plain words"},
        {dead, TransferError::NotOpened, 0, true, ""},
        {url("/redirect?to=" + dead), TransferError::NotOpened, 0, true, ""},
        {hangingUp.url(), TransferError::NotOpened, 0, true, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.url);
        net::TransferRequest request;
        request.url = c.url;
        request.access = net::ProxyAccess::Direct;
        request.limits.stallTimeout = 600ms;
        request.limits.maxBodyBytes = 1000;
        const auto outcome = net::performTransfer(request);
        EXPECT_EQ(outcome.error, c.error) << net::describe(outcome.error);
        EXPECT_EQ(outcome.status, c.status);
        EXPECT_EQ(net::requestNeverOpened(outcome), c.neverOpened);
        EXPECT_EQ(outcome.body, c.body);
    }
}

} // namespace
} // namespace zelvon
