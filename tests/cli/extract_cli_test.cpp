// The engine's commands as a script author runs them: `extract` on saved and
// live pages in both forms, `transform`, `scramble` and `unscramble`, with
// the engine's messages on standard error exactly as they stand.

#include "support/local_http_server.h"
#include "support/run_program.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>
#include <filesystem>
#include <map>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

namespace zelvon {
namespace {

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

const std::string kTableKelpo = "<kelpo>\n    <item name='productName' value='Widget Pro'/>\n"
                                "    <record>\n        <item name='productVersion' value='2.5'/>\n    </record>\n"
                                "    <record>\n        <item name='productVersion' value='2.4'/>\n    </record>\n"
                                "</kelpo>\n";
const std::string kTableTilde = "productName~0~Widget Pro\nproductVersion~1~2.5\nproductVersion~1~2.4\n";
// The same lines as `transform` writes them to a file.
const std::string kTableTildeFile = "productName~0~Widget Pro\r\nproductVersion~1~2.5\r\nproductVersion~1~2.4\r\n";
const std::string kVexHead = "~~~~~~KELPORUNTIME~~~~~~\n~~~~~~VEX~~~~~~\nDetail\n";

class EngineCli : public ::testing::Test {
protected:
    void SetUp() override {
        // Settings in a scratch folder; no proxy from the environment.
        setEnv("XDG_CONFIG_HOME", config.str().c_str());
        for (const char* name : {"http_proxy", "HTTP_PROXY", "ALL_PROXY", "ZELVON_APP_FOLDER"})
            setEnv(name, nullptr);
        std::filesystem::create_directories(app.path() / "cache");
        // A request through a proxy names the whole address as its target.
        server.server().Get(R"((?:http://[^/]+)?/(\w+)\.htm)", [this](const httplib::Request& request, httplib::Response& response) {
            std::lock_guard<std::mutex> lock(mutex);
            targets.push_back(request.target);
            if (request.matches[1] == "missing")
                response.status = 404;
            else
                response.set_content(request.matches[1] == "other" ? "<h1>Other</h1><table></table>" : kTablePage, "text/html");
        });
        server.start();
    }
    void TearDown() override {
        for (const auto& [name, value] : savedEnv)
            value.first ? ::setenv(name.c_str(), value.second.c_str(), 1) : ::unsetenv(name.c_str());
    }
    void setEnv(const char* name, const char* value) {
        const char* old = std::getenv(name);
        savedEnv.emplace(name, std::pair{old != nullptr, std::string(old ? old : "")});
        value ? ::setenv(name, value, 1) : ::unsetenv(name);
    }

    test::ProgramResult cli(std::vector<std::string> args) {
        args.insert(args.begin(), {"--app-folder", app.str()});
        return test::runProgram(ZELVON_BIN_DIR "/zelvon-cli", args, scratch.str());
    }
    void setting(const char* kind, const char* key, const std::string& value) {
        ASSERT_EQ(cli({"settings", kind, "Settings", key, value}).exitCode, 0);
    }
    std::vector<std::string> requests() {
        std::lock_guard<std::mutex> lock(mutex);
        return targets;
    }

    test::TempDir app;
    test::TempDir config;
    test::TempDir scratch;
    std::map<std::string, std::pair<bool, std::string>> savedEnv;
    std::mutex mutex;
    std::vector<std::string> targets;
    test::LocalHttpServer server;
};

TEST_F(EngineCli, ExtractPrintsEitherFormOfSavedOrLivePages) {
    app.write("web/table.htm", kTablePage);
    app.write("table.xml", tableScript(server.url("/table.htm")));
    const std::pair<std::vector<std::string>, std::string> runs[] = {
        {{"extract", "--cache", app.file("table.xml")}, kTableKelpo},
        {{"extract", "--form", "tilde", "--cache", app.file("table.xml")}, kTableTilde},
        {{"extract", app.file("table.xml")}, kTableKelpo},
        {{"extract", "--url", server.url("/other.htm"), "--form", "kelpo", app.file("table.xml")},
         "<kelpo>\n    <item name='productName' value='Other'/>\n</kelpo>\n"},
    };
    for (const auto& [args, out] : runs) {
        const auto r = cli(args);
        EXPECT_EQ(r.exitCode, 0) << r.err;
        EXPECT_EQ(r.out, out) << args[1];
        EXPECT_EQ(r.err, "");
    }
    EXPECT_EQ(app.read("cache/workspace.htm"), "<h1>Other</h1><table></table>");
    EXPECT_EQ(requests(), (std::vector<std::string>{"/table.htm", "/other.htm"}));
}

TEST_F(EngineCli, FailuresPrintTheEngineMessagesExactly) {
    const std::string missing = server.url("/missing.htm");
    // A download's cause follows the engine's own message.
    const std::string notFound = "Cause: the server answered 404 Not Found.\n";
    app.write("table.xml", tableScript(missing));
    app.write("web/table.htm", "<h1>no table here</h1>");
    app.write("scripts/detail.txt", kVexHead + tableScript(missing));
    const std::pair<std::vector<std::string>, std::string> runs[] = {
        {{"extract", app.file("table.xml")}, "Could not download:  " + missing + "\n" + notFound},
        {{"extract", "--cache", app.file("table.xml")}, "\nCould not find [MoveTo]:  <table>"},
        {{"extract", "--url", server.url("/table.htm"), app.file("absent.xml")},
         "Could not Open:  " + app.file("absent.xml") + "\n"},
        {{"transform", app.file("scripts/none.txt"), app.file("cache/out.txt")},
         "Could not Open:  " + app.file("scripts/none.txt") + "\n"},
        {{"transform", app.file("scripts/detail.txt"), app.file("cache/out.txt")},
         "Error: Could not execute Transformation script.\n\nCould not download:  " + missing + "\n" + notFound},
    };
    for (const auto& [args, err] : runs) {
        const auto r = cli(args);
        EXPECT_EQ(r.exitCode, 1) << args[1];
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(r.err, err);
    }
    EXPECT_FALSE(std::filesystem::exists(app.path() / "cache/out.txt"));
    EXPECT_EQ(requests(), (std::vector<std::string>{"/missing.htm", "/missing.htm"}));
}

TEST_F(EngineCli, TransformWritesTheOutputThroughTheSharedWorkFile) {
    app.write("scripts/detail.txt", kVexHead + tableScript(server.url("/table.htm")));
    auto r = cli({"transform", app.file("scripts/detail.txt"), app.file("cache/out.txt"), server.url("/other.htm")});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out + r.err, "");
    EXPECT_EQ(app.read("cache/out.txt"), "productName~0~Other\r\n");
    EXPECT_EQ(app.read("cache/workspace.htm"), "<h1>Other</h1><table></table>");
    // Without a URL the script's own source is read.
    r = cli({"transform", app.file("scripts/detail.txt"), app.file("cache/own.txt")});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(app.read("cache/own.txt"), kTableTildeFile);
}

TEST_F(EngineCli, DownloadsWaitForNoOneWhileAnotherProcessHoldsTheFolder) {
    app.write("scripts/detail.txt", kVexHead + tableScript(server.url("/table.htm")));
    app.write("web/table.htm", kTablePage);
    // flock locks belong to the open file, so a descriptor of our own stands
    // in for another Zelvon process.
    const int holder = ::open(app.path().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    ASSERT_GE(holder, 0);
    ASSERT_EQ(::flock(holder, LOCK_EX | LOCK_NB), 0);

    auto r = cli({"transform", app.file("scripts/detail.txt"), app.file("cache/out.txt")});
    EXPECT_EQ(r.exitCode, 75);
    EXPECT_NE(r.err.find("Nothing was changed."), std::string::npos) << r.err;
    r = cli({"extract", app.file("scripts/detail.txt")});
    EXPECT_EQ(r.exitCode, 75);
    EXPECT_TRUE(requests().empty());
    EXPECT_FALSE(std::filesystem::exists(app.path() / "cache/out.txt"));
    // Reading a saved page downloads nothing and needs no lock.
    r = cli({"extract", "--cache", app.file("scripts/detail.txt")});
    EXPECT_EQ(r.exitCode, 0) << r.err;

    ::close(holder);
    r = cli({"transform", app.file("scripts/detail.txt"), app.file("cache/out.txt")});
    EXPECT_EQ(r.exitCode, 0) << r.err;
}

TEST_F(EngineCli, ProxyFromTheSettingsOnlyWithAnAddress) {
    // The local server is both the store and the proxy: a request sent
    // through a proxy names the whole address, a direct one only the path.
    const std::string url = server.url("/table.htm");
    app.write("table.xml", tableScript(url));
    app.write("scripts/detail.txt", kVexHead + tableScript(url));
    const std::vector<std::string> extract = {"extract", app.file("table.xml")};
    const std::vector<std::string> transform = {"transform", app.file("scripts/detail.txt"), app.file("cache/out.txt")};
    setting("set-int", "UseProxy", "1");
    setting("set", "ProxyPort", std::to_string(server.port()));
    EXPECT_EQ(cli(extract).exitCode, 0);
    setting("set", "ProxyAddress", "127.0.0.1");
    EXPECT_EQ(cli(extract).out, kTableKelpo);
    EXPECT_EQ(cli(transform).exitCode, 0);
    EXPECT_EQ(app.read("cache/out.txt"), kTableTildeFile);
    setting("set-int", "UseProxy", "0");
    EXPECT_EQ(cli(extract).exitCode, 0);
    EXPECT_EQ(requests(), (std::vector<std::string>{"/table.htm", url, url, "/table.htm"}));
}

TEST_F(EngineCli, WrongArgumentsShowTheUsage) {
    const std::vector<std::vector<std::string>> wrong = {
        {"extract"},          {"extract", "--form", "json", "s.xml"}, {"extract", "--form"}, {"extract", "--url"},
        {"extract", "--verbose", "s.xml"}, {"extract", "a.xml", "b.xml"}, {"scramble"}, {"scramble", "a", "b", "c"},
        {"unscramble"},       {"transform"}, {"transform", "only-one"}, {"transform", "a", "b", "c", "too-many"},
    };
    for (const auto& args : wrong) {
        const auto r = cli(args);
        EXPECT_EQ(r.exitCode, 64) << args.size();
        EXPECT_NE(r.err.find("usage: zelvon-cli [--app-folder DIR] " + args[0]), std::string::npos) << r.err;
    }
    EXPECT_TRUE(requests().empty());
}

TEST_F(EngineCli, ScrambleAndUnscrambleNeverLoseTheSource) {
    const std::string script = "~~~~~~KELPORUNTIME~~~~~~\r\n~~~~~~XML~~~~~~\r\nDetail\r\n" + tableScript("");
    app.write("plain.txt", script);
    auto r = cli({"scramble", app.file("plain.txt"), app.file("copy.txt")});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(app.read("plain.txt"), script);
    const std::string scrambled = app.read("copy.txt");
    EXPECT_EQ(scrambled.substr(0, 8), "ENCMARLO");
    EXPECT_EQ(scrambled.size(), script.size() + 8);
    EXPECT_EQ(scrambled.find("extraction"), std::string::npos);
    EXPECT_EQ(cli({"unscramble", app.file("copy.txt")}).out, script);
    EXPECT_EQ(cli({"scramble", app.file("plain.txt")}).exitCode, 0);
    EXPECT_EQ(app.read("plain.txt"), scrambled);
    app.write("notes.txt", "just text");
    EXPECT_EQ(cli({"unscramble", app.file("notes.txt")}).out, "just text");

    app.write("keep.txt", "keep me");
    r = cli({"scramble", app.file("keep.txt"), app.file("no-folder/out.txt")});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("could not scramble"), std::string::npos);
    EXPECT_EQ(app.read("keep.txt"), "keep me");
    EXPECT_EQ(cli({"scramble", app.file("absent.txt")}).exitCode, 1);
    EXPECT_FALSE(std::filesystem::exists(app.file("absent.txt")));
    r = cli({"unscramble", app.file("absent.txt")});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_NE(r.err.find(app.file("absent.txt")), std::string::npos);
}

} // namespace
} // namespace zelvon
