// The command line's help and version, the parsing-script update and the
// connection test as a user runs them, and a second scramble refused.

#include "support/local_http_server.h"
#include "support/run_program.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <mutex>
#include <string>
#include <vector>

namespace zelvon {
namespace {

class ScriptCli : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* name : {"XDG_CONFIG_HOME", "http_proxy", "HTTP_PROXY", "ALL_PROXY", "ZELVON_APP_FOLDER"}) {
            const char* old = std::getenv(name);
            savedEnv.emplace(name, old ? std::optional<std::string>(old) : std::nullopt);
            ::unsetenv(name);
        }
        ::setenv("XDG_CONFIG_HOME", config.str().c_str(), 1);
        std::filesystem::create_directories(app.path() / "cache");
        server.server().Get(R"(/(\w+\.\w+))", [this](const httplib::Request& request, httplib::Response& response) {
            std::lock_guard<std::mutex> lock(mutex);
            ++hits;
            const auto file = files.find(request.matches[1]);
            if (file == files.end())
                response.status = 404;
            else
                response.set_content(file->second, "text/plain");
        });
        server.start();
    }
    void TearDown() override {
        for (const auto& [name, value] : savedEnv)
            value ? ::setenv(name.c_str(), value->c_str(), 1) : ::unsetenv(name.c_str());
    }

    test::ProgramResult cli(std::vector<std::string> args) {
        args.insert(args.begin(), {"--app-folder", app.str()});
        return test::runProgram(ZELVON_BIN_DIR "/zelvon-cli", args, scratch.str());
    }
    int requests() {
        std::lock_guard<std::mutex> lock(mutex);
        return hits;
    }

    test::TempDir app;
    test::TempDir config;
    test::TempDir scratch;
    std::map<std::string, std::optional<std::string>> savedEnv;
    std::mutex mutex;
    std::map<std::string, std::string> files;
    int hits = 0;
    test::LocalHttpServer server;
};

TEST_F(ScriptCli, HelpListsEveryCommandAndVersionNamesTheRelease) {
    auto r = cli({"--help"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.err, "");
    const char* const commands[] = {"extract", "scramble", "unscramble", "fetch", "entities", "lines", "settings",
                                    "transform", "xml", "update-scripts", "nettest", "list", "check", "catalogue"};
    for (const char* name : commands) {
        SCOPED_TRACE(name);
        EXPECT_NE(r.out.find(std::string("\n  ") + name + ' '), std::string::npos) << r.out;
        const auto one = cli({name, "--help"});
        EXPECT_EQ(one.exitCode, 0);
        EXPECT_EQ(one.out.rfind(std::string("usage: zelvon-cli [--app-folder DIR] ") + name + ' ', 0), 0u) << one.out;
        EXPECT_EQ(one.err, "");
    }
    EXPECT_NE(cli({"nettest", "--help"}).out.find("\n  test the network connection"), std::string::npos);

    r = cli({"--version"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out, "zelvon-cli 1.01\n");

    // Wrong arguments still give the usage on standard error.
    for (const std::vector<std::string>& wrong : {std::vector<std::string>{"--bogus"}, {"nettest", "a", "b"},
                                                  {"update-scripts", "--no"}, {"nettest", "--proxy"}}) {
        SCOPED_TRACE(wrong[0]);
        r = cli(wrong);
        EXPECT_EQ(r.exitCode, 64);
        EXPECT_EQ(r.out, "");
        EXPECT_NE(r.err.find("usage: zelvon-cli [--app-folder DIR] "), std::string::npos) << r.err;
    }
    EXPECT_EQ(requests(), 0);
}

TEST_F(ScriptCli, UpdateScriptsAsksOrNeedsYes) {
    files["info.xml"] = "<root version=\"2\"><scriptFile name=\"A\" url=\"" + server.url("/a.nrt") +
                        "\" destination=\"scripts\\a.nrt\"/></root>";
    files["a.nrt"] = "new a";
    app.write("scripts/a.nrt", "old a");
    ASSERT_EQ(cli({"settings", "set", "Settings", "AutoCheckUrl", server.url("/info.xml")}).exitCode, 0);

    // No terminal to ask on: the question is shown and nothing happens.
    auto r = cli({"update-scripts"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.out.find("Do you want to check for a new set of Parsing Scripts?"), std::string::npos) << r.out;
    EXPECT_NE(r.err.find("--yes"), std::string::npos) << r.err;
    EXPECT_EQ(requests(), 0);
    EXPECT_EQ(app.read("scripts/a.nrt"), "old a");

    r = cli({"update-scripts", "--yes"});
    EXPECT_EQ(r.exitCode, 0) << r.out << r.err;
    EXPECT_NE(r.out.find("Downloading... A\n"), std::string::npos) << r.out;
    EXPECT_EQ(app.read("scripts/a.nrt"), "new a");
    EXPECT_EQ(cli({"settings", "get-int", "Settings", "AutoCheckVersion", "0"}).out, "2\n");

    r = cli({"update-scripts", "--yes"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_NE(r.out.find("No new script files available."), std::string::npos) << r.out;

    files["info.xml"] = "<root version=\"3\"><scriptFile name=\"A\" url=\"" + server.url("/gone.nrt") +
                        "\" destination=\"scripts\\a.nrt\"/></root>";
    r = cli({"update-scripts", "--yes"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.out.find("Could not download:  " + server.url("/gone.nrt")), std::string::npos) << r.out;
    EXPECT_EQ(cli({"settings", "get-int", "Settings", "AutoCheckVersion", "0"}).out, "2\n");
}

TEST_F(ScriptCli, NettestUsesTheGivenOrStoredAddress) {
    files["page.htm"] = "the page";
    auto r = cli({"nettest", server.url("/page.htm")});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "Success: Data has been downloaded from... " + server.url("/page.htm") + "\n");
    EXPECT_EQ(app.read("cache/nettest.htm"), "the page");

    ASSERT_EQ(cli({"settings", "set", "Settings", "PXURLTest", server.url("/none.htm")}).exitCode, 0);
    r = cli({"nettest"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.out, "Failure: Could not download data from... " + server.url("/none.htm") +
                         "\nCause: the server answered 404 Not Found.\n");
    EXPECT_EQ(requests(), 2);
}

TEST_F(ScriptCli, ASecondScrambleIsRefused) {
    const std::string plain = "~~~~~~KELPORUNTIME~~~~~~\n~~~~~~XML~~~~~~\nDetail\n<extraction/>\n";
    app.write("s.nrt", plain);
    ASSERT_EQ(cli({"scramble", app.file("s.nrt")}).exitCode, 0);
    const std::string once = app.read("s.nrt");
    ASSERT_NE(once, plain);
    for (const std::vector<std::string>& args : {std::vector<std::string>{"scramble", app.file("s.nrt")},
                                                 {"scramble", app.file("s.nrt"), app.file("copy.nrt")}}) {
        const auto r = cli(args);
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_NE(r.err.find("already scrambled"), std::string::npos) << r.err;
    }
    EXPECT_EQ(app.read("s.nrt"), once);
    EXPECT_FALSE(std::filesystem::exists(app.path() / "copy.nrt"));
    EXPECT_EQ(cli({"unscramble", app.file("s.nrt")}).out, plain);
}

} // namespace
} // namespace zelvon
