// `zelvon-cli fetch URL DEST [--proxy HOST:PORT]` run as a user would, against
// servers on 127.0.0.1.

#include "net/net_test_support.h"
#include "support/local_http_server.h"
#include "support/run_program.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace zelvon {
namespace {

class FetchCli : public ::testing::Test {
protected:
    void SetUp() override {
        origin_.server().Get("/page", [](const httplib::Request&, httplib::Response& res) { res.set_content("the page", "text/html"); });
        origin_.start();
        // A stand-in proxy that answers every request itself, so a body
        // from it proves the request went through the proxy.
        proxy_.server().Get(".*", [](const httplib::Request&, httplib::Response& res) { res.set_content("answered by the proxy", "text/html"); });
        proxy_.start();
    }

    test::ProgramResult run(const std::vector<std::string>& args) {
        std::vector<std::string> full = {"--app-folder", dir_.str(), "fetch"};
        full.insert(full.end(), args.begin(), args.end());
        return test::runProgram(ZELVON_BIN_DIR "/zelvon-cli", full, dir_.str());
    }

    test::ScopedProxyEnvironment environment_;
    test::TempDir dir_;
    test::LocalHttpServer origin_;
    test::LocalHttpServer proxy_;
};

TEST_F(FetchCli, ExitCodeTellsWhetherThePageWasStored) {
    const std::string dest = dir_.file("page.htm");
    const std::string proxy = "127.0.0.1:" + std::to_string(proxy_.port());
    const std::string invented = "http://zelvon.invalid/page"; // only the proxy can answer for it
    const struct {
        std::vector<std::string> args;
        int exitCode;
        std::string stored;
    } cases[] = {
        {{origin_.url("/page"), dest}, 0, "the page"},
        {{origin_.url("/gone"), dest}, 1, "previous content"},
        {{invented, dest, "--proxy", proxy}, 0, "answered by the proxy"},
        {{"--proxy=" + proxy, invented, dest}, 0, "answered by the proxy"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.args));
        dir_.write("page.htm", "previous content");
        const auto result = run(c.args);
        EXPECT_EQ(result.exitCode, c.exitCode) << result.err;
        EXPECT_EQ(dir_.read("page.htm"), c.stored);
        EXPECT_EQ(result.out, "");
        EXPECT_EQ(result.err.find("could not download " + c.args[c.args.size() - 2]) != std::string::npos, c.exitCode == 1) << result.err;
    }
}

TEST_F(FetchCli, WrongArgumentsPrintUsage) {
    const std::string url = origin_.url("/page");
    const std::vector<std::vector<std::string>> wrong = {
        {},
        {url},
        {url, dir_.file("a"), dir_.file("b")},
        {url, dir_.file("a"), "--proxy"},
        {url, dir_.file("a"), "--proxy", "h:1", "--proxy", "h:2"},
        {url, dir_.file("a"), "--verbose"},
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
