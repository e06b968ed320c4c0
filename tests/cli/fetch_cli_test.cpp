// `zelvon-cli fetch URL DEST [--proxy HOST:PORT]` run as a user would, against
// servers on 127.0.0.1.

#include "net/scoped_proxy_environment.h"
#include "support/local_http_server.h"
#include "support/run_program.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

namespace zelvon {
namespace {

const std::string kProgram = ZELVON_BIN_DIR "/zelvon-cli";

class FetchCli : public ::testing::Test {
protected:
    void SetUp() override {
        origin_.server().Get("/page", [](const httplib::Request&, httplib::Response& res) { res.set_content("the page", "text/html"); });
        origin_.server().Get("/gone", [](const httplib::Request&, httplib::Response& res) {
            res.status = 404;
            res.set_content("not here", "text/html");
        });
        origin_.start();
        // A stand-in proxy: it answers every request itself, so a body
        // from it proves the request went through the proxy.
        proxy_.server().Get(".*", [this](const httplib::Request& req, httplib::Response& res) {
            std::lock_guard<std::mutex> lock(mutex_);
            proxiedTarget_ = req.target;
            res.set_content("answered by the proxy", "text/html");
        });
        proxy_.start();
    }

    test::ProgramResult run(const std::vector<std::string>& args) {
        std::vector<std::string> full = {"--app-folder", dir_.str(), "fetch"};
        full.insert(full.end(), args.begin(), args.end());
        return test::runProgram(kProgram, full, dir_.str());
    }
    std::string proxyAddress() const { return "127.0.0.1:" + std::to_string(proxy_.port()); }
    std::string takeProxiedTarget() {
        std::lock_guard<std::mutex> lock(mutex_);
        return std::exchange(proxiedTarget_, std::string());
    }

    test::ScopedProxyEnvironment environment_;
    test::TempDir dir_;
    test::LocalHttpServer origin_;
    test::LocalHttpServer proxy_;
    std::mutex mutex_;
    std::string proxiedTarget_;
};

TEST_F(FetchCli, StoresThePageAndExitsZero) {
    const auto result = run({origin_.url("/page"), dir_.file("page.htm")});
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(dir_.read("page.htm"), "the page");
    EXPECT_EQ(result.out, "");
}

TEST_F(FetchCli, FailedDownloadExitsOneAndKeepsTheFile) {
    dir_.write("page.htm", "previous content");
    const auto result = run({origin_.url("/gone"), dir_.file("page.htm")});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_NE(result.err.find(origin_.url("/gone")), std::string::npos) << result.err;
    EXPECT_EQ(dir_.read("page.htm"), "previous content");
}

TEST_F(FetchCli, ProxyOptionSendsTheRequestThroughTheProxy) {
    // The host exists nowhere: only the proxy can answer for it.
    const std::string url = "http://zelvon.invalid/page";
    const std::vector<std::vector<std::string>> spellings = {
        {url, dir_.file("page.htm"), "--proxy", proxyAddress()},
        {"--proxy=" + proxyAddress(), url, dir_.file("page.htm")},
    };
    for (const auto& args : spellings) {
        std::remove(dir_.file("page.htm").c_str());
        const auto result = run(args);
        EXPECT_EQ(result.exitCode, 0) << result.err;
        EXPECT_EQ(dir_.read("page.htm"), "answered by the proxy");
        EXPECT_EQ(takeProxiedTarget(), url);
    }
    // Without the option the proxy is not asked.
    EXPECT_EQ(run({origin_.url("/page"), dir_.file("page.htm")}).exitCode, 0);
    EXPECT_EQ(takeProxiedTarget(), "");
}

TEST_F(FetchCli, WrongArgumentsPrintUsage) {
    const std::vector<std::vector<std::string>> wrong = {
        {},
        {origin_.url("/page")},
        {origin_.url("/page"), dir_.file("a"), dir_.file("b")},
        {origin_.url("/page"), dir_.file("a"), "--proxy"},
        {origin_.url("/page"), dir_.file("a"), "--proxy", "h:1", "--proxy", "h:2"},
        {origin_.url("/page"), dir_.file("a"), "--verbose"},
    };
    for (const auto& args : wrong) {
        const auto result = run(args);
        EXPECT_EQ(result.exitCode, 64) << testing::PrintToString(args);
        EXPECT_NE(result.err.find("fetch URL DEST [--proxy HOST:PORT]"), std::string::npos) << result.err;
    }
    EXPECT_FALSE(std::filesystem::exists(dir_.file("a")));
}

} // namespace
} // namespace zelvon
