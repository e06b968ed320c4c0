// `zelvon-cli extract`, `scramble` and `unscramble` as a script author runs
// them: saved pages, live pages from a local server, both output forms, the
// runner's messages on standard error, and scrambled files.

#include "support/local_http_server.h"
#include "support/run_program.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace zelvon {
namespace {

const std::string kCli = ZELVON_BIN_DIR "/zelvon-cli";

const std::string kTablePage = "<h1>Widget Pro</h1><table><tr><td>2.5</td></tr><tr><td>2.4</td></tr></table>";

std::string tableScript(const std::string& url) {
    return "<extraction>\n<source url='" + url + "' cache='table.htm'/>\n"
           "<item action='[MoveTo]' token='&lt;h1&gt;' variable=''/>\n"
           "<item action='[Extract]' token='&lt;/h1&gt;' variable='productName'/>\n"
           "<item action='[StartLoop]' token='&lt;table&gt;' variable=''/>\n"
           "<item action='[MoveTo]' token='&lt;td&gt;' variable=''/>\n"
           "<item action='[Extract]' token='&lt;/td&gt;' variable='productVersion'/>\n"
           "<item action='[EndLoop]' token='&lt;/table&gt;' variable=''/>\n"
           "</extraction>\n";
}

const std::string kTableKelpo = "<kelpo>\n"
                                "    <item name='productName' value='Widget Pro'/>\n"
                                "    <record>\n"
                                "        <item name='productVersion' value='2.5'/>\n"
                                "    </record>\n"
                                "    <record>\n"
                                "        <item name='productVersion' value='2.4'/>\n"
                                "    </record>\n"
                                "</kelpo>\n";

class ScopedEnv {
public:
    ScopedEnv(const char* name, const std::optional<std::string>& value) : name_(name) {
        if (const char* old = std::getenv(name))
            old_ = old;
        if (value)
            ::setenv(name, value->c_str(), 1);
        else
            ::unsetenv(name);
    }
    ~ScopedEnv() {
        if (old_)
            ::setenv(name_, old_->c_str(), 1);
        else
            ::unsetenv(name_);
    }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    const char* name_;
    std::optional<std::string> old_;
};

class ExtractCli : public ::testing::Test {
protected:
    void SetUp() override {
        std::filesystem::create_directories(app.path() / "cache");
        server.server().Get(R"((?:http://[^/]+)?/(\w+)\.htm)", [this](const httplib::Request& request, httplib::Response& response) {
            ++hits;
            {
                std::lock_guard<std::mutex> lock(mutex);
                lastTarget = request.target;
            }
            if (request.matches[1] == "missing") {
                response.status = 404;
                return;
            }
            response.set_content(request.matches[1] == "other" ? "<h1>Other</h1><table></table>" : kTablePage, "text/html");
        });
        server.start();
    }

    std::string target() {
        std::lock_guard<std::mutex> lock(mutex);
        return lastTarget;
    }

    test::ProgramResult cli(std::vector<std::string> args) {
        args.insert(args.begin(), {"--app-folder", app.str()});
        return test::runProgram(kCli, args, scratch.str());
    }

    test::TempDir app;
    test::TempDir config;
    test::TempDir scratch;
    ScopedEnv configHome{"XDG_CONFIG_HOME", config.str()};
    ScopedEnv httpProxy{"http_proxy", std::nullopt};
    ScopedEnv allProxy{"ALL_PROXY", std::nullopt};
    test::LocalHttpServer server;
    std::atomic<int> hits{0};
    std::mutex mutex;
    std::string lastTarget;
};

TEST_F(ExtractCli, SavedPageInBothForms) {
    app.write("web/table.htm", kTablePage);
    app.write("table.xml", tableScript(server.url("/table.htm")));

    auto r = cli({"extract", "--cache", app.file("table.xml")});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, kTableKelpo);
    EXPECT_EQ(r.err, "");

    r = cli({"extract", "--form", "tilde", "--cache", app.file("table.xml")});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "productName~0~Widget Pro\nproductVersion~1~2.5\nproductVersion~1~2.4\n");
    EXPECT_EQ(hits.load(), 0);
}

TEST_F(ExtractCli, LivePageIntoTheCacheWorkFile) {
    app.write("table.xml", tableScript(server.url("/table.htm")));
    auto r = cli({"extract", app.file("table.xml")});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, kTableKelpo);
    EXPECT_EQ(app.read("cache/workspace.htm"), kTablePage);

    r = cli({"extract", "--url", server.url("/other.htm"), "--form", "kelpo", app.file("table.xml")});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "<kelpo>\n    <item name='productName' value='Other'/>\n</kelpo>\n");
    EXPECT_EQ(hits.load(), 2);
}

TEST_F(ExtractCli, FailuresPrintTheRunnerMessagesExactly) {
    app.write("table.xml", tableScript(server.url("/missing.htm")));
    auto r = cli({"extract", app.file("table.xml")});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "Could not download:  " + server.url("/missing.htm") + "\n");

    app.write("web/table.htm", "<h1>no table here</h1>");
    r = cli({"extract", "--cache", app.file("table.xml")});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, "\nCould not find [MoveTo]:  <table>");

    r = cli({"extract", "--url", server.url("/table.htm"), app.file("absent.xml")});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, "Could not Open:  " + app.file("absent.xml") + "\n");
    EXPECT_EQ(hits.load(), 1);
}

TEST_F(ExtractCli, ProxyFromTheSettingsOnlyWithAnAddress) {
    // The local server is both the store and the proxy: a request sent
    // through a proxy names the whole address, a direct one only the path.
    const std::string url = server.url("/table.htm");
    app.write("table.xml", tableScript(url));
    ASSERT_EQ(cli({"settings", "set-int", "Settings", "UseProxy", "1"}).exitCode, 0);
    ASSERT_EQ(cli({"settings", "set", "Settings", "ProxyPort", std::to_string(server.port())}).exitCode, 0);

    auto r = cli({"extract", app.file("table.xml")});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(target(), "/table.htm");

    ASSERT_EQ(cli({"settings", "set", "Settings", "ProxyAddress", "127.0.0.1"}).exitCode, 0);
    r = cli({"extract", app.file("table.xml")});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, kTableKelpo);
    EXPECT_EQ(target(), url);

    ASSERT_EQ(cli({"settings", "set-int", "Settings", "UseProxy", "0"}).exitCode, 0);
    r = cli({"extract", app.file("table.xml")});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(target(), "/table.htm");
    EXPECT_EQ(hits.load(), 3);
}

TEST_F(ExtractCli, WrongArgumentsShowTheUsage) {
    const std::vector<std::vector<std::string>> wrong = {
        {"extract"},
        {"extract", "--form", "json", "s.xml"},
        {"extract", "--form"},
        {"extract", "--url"},
        {"extract", "--verbose", "s.xml"},
        {"extract", "a.xml", "b.xml"},
        {"scramble"},
        {"scramble", "a", "b", "c"},
        {"unscramble"},
    };
    for (const auto& args : wrong) {
        const auto r = cli(args);
        EXPECT_EQ(r.exitCode, 64) << args.size();
        EXPECT_NE(r.err.find("usage: zelvon-cli [--app-folder DIR] " + args[0]), std::string::npos) << r.err;
    }
}

TEST_F(ExtractCli, ScrambleAndUnscramble) {
    const std::string script = "~~~~~~KELPORUNTIME~~~~~~\r\n~~~~~~XML~~~~~~\r\nDetail\r\n" + tableScript("");
    app.write("plain.txt", script);

    auto r = cli({"scramble", app.file("plain.txt"), app.file("copy.txt")});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(app.read("plain.txt"), script);
    const std::string scrambled = app.read("copy.txt");
    EXPECT_EQ(scrambled.substr(0, 8), "ENCMARLO");
    EXPECT_EQ(scrambled.size(), script.size() + 8);
    EXPECT_EQ(scrambled.find("extraction"), std::string::npos);

    r = cli({"unscramble", app.file("copy.txt")});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, script);

    r = cli({"scramble", app.file("plain.txt")});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(app.read("plain.txt"), scrambled);

    // A plain file comes out as it is.
    app.write("notes.txt", "just text");
    r = cli({"unscramble", app.file("notes.txt")});
    EXPECT_EQ(r.out, "just text");
}

TEST_F(ExtractCli, ScrambleFailuresChangeNothing) {
    app.write("plain.txt", "keep me");
    auto r = cli({"scramble", app.file("plain.txt"), app.file("no-folder/out.txt")});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("could not scramble"), std::string::npos);
    EXPECT_EQ(app.read("plain.txt"), "keep me");

    r = cli({"scramble", app.file("absent.txt")});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_FALSE(std::filesystem::exists(app.file("absent.txt")));

    r = cli({"unscramble", app.file("absent.txt")});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_NE(r.err.find(app.file("absent.txt")), std::string::npos);
}

} // namespace
} // namespace zelvon
