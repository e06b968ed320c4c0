#include "support/run_program.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace zelvon {
namespace {

using test::runProgram;
using test::TempDir;

const std::string kProgram = ZELVON_BIN_DIR "/zelvon-cli";

TEST(FoundationCliTest, EntitiesPrintsTheResultAndALineFeed) {
    TempDir scratch;
    struct Case {
        std::vector<std::string> args;
        std::string out;
    };
    const Case cases[] = {
        {{"entities", "escape-xml", "<&'"}, "&lt;&amp;&#039;\n"},
        {{"entities", "escape-markup", "a&b<c"}, "a&b&lt;c\n"},
        {{"entities", "unescape-markup", "&lt;&gt;&#039;&quot;&amp;"}, "<>'\"&amp;\n"},
        {{"entities", "decode", "Caf&eacute; &amp;lt; &#8364;&EACUTE;"}, "Caf\xC3\xA9 &lt; \xE2\x82\xAC\xC3\xA9\n"},
        {{"entities", "decode", ""}, "\n"},
    };
    for (const auto& c : cases) {
        const auto result = runProgram(kProgram, c.args, scratch.str());
        EXPECT_EQ(result.exitCode, 0) << c.args[1] << ": " << result.err;
        EXPECT_EQ(result.out, c.out) << c.args[1];
    }
}

TEST(FoundationCliTest, LinesWrapsEachLineInBrackets) {
    TempDir scratch;
    scratch.write("list.txt", "first  \r\n\n  indented\ncaf\xE9 last  ");
    const auto result = runProgram(kProgram, {"lines", scratch.file("list.txt")}, scratch.str());
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.out, "[first]\n[]\n[  indented]\n[caf\xC3\xA9 last  ]\n");

    const auto missing = runProgram(kProgram, {"lines", scratch.file("missing.txt")}, scratch.str());
    EXPECT_NE(missing.exitCode, 0);
    EXPECT_NE(missing.exitCode, 64);
    EXPECT_EQ(missing.out, "");
    EXPECT_NE(missing.err.find("missing.txt"), std::string::npos);
}

// Every settings test runs against its own configuration folder.
class SettingsCliTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (const char* value = std::getenv("XDG_CONFIG_HOME"))
            saved_ = value;
        ::setenv("XDG_CONFIG_HOME", config.str().c_str(), 1);
    }
    void TearDown() override {
        if (saved_)
            ::setenv("XDG_CONFIG_HOME", saved_->c_str(), 1);
        else
            ::unsetenv("XDG_CONFIG_HOME");
    }
    test::ProgramResult run(const std::vector<std::string>& args) {
        std::vector<std::string> all{"settings"};
        all.insert(all.end(), args.begin(), args.end());
        return runProgram(kProgram, all, scratch.str());
    }

    TempDir config;
    TempDir scratch;

private:
    std::optional<std::string> saved_;
};

TEST_F(SettingsCliTest, WritesAndReadsTextAndIntegers) {
    EXPECT_EQ(run({"get-int", "WindowDefaults", "SplitterPos", "100"}).out, "100\n");
    EXPECT_EQ(run({"get", "Prefs", "ExternalBrowser", "\\Windows\\iexplore.exe"}).out, "\\Windows\\iexplore.exe\n");

    EXPECT_EQ(run({"set-int", "WindowDefaults", "SplitterPos", "140"}).exitCode, 0);
    EXPECT_EQ(run({"set", "Settings", "ProxyAddress", "caf\xC3\xA9 = proxy; #1"}).exitCode, 0);
    EXPECT_EQ(run({"get-int", "WindowDefaults", "SplitterPos", "100"}).out, "140\n");
    EXPECT_EQ(run({"get", "Settings", "ProxyAddress", ""}).out, "caf\xC3\xA9 = proxy; #1\n");
    EXPECT_EQ(run({"get-int", "Settings", "ProxyAddress", "-5"}).out, "-5\n") << "text is no integer";

    // The file lands where the window will look for it.
    EXPECT_NE(config.read("Tervane/Zelvon.conf").find("[WindowDefaults]\nSplitterPos=140\n"), std::string::npos);
}

TEST_F(SettingsCliTest, ReportsAWriteThatDidNotReachTheFile) {
    config.write("Tervane/Zelvon.conf/blocked", ""); // a folder where the file belongs
    const auto result = run({"set-int", "Prefs", "LeaveNew", "2"});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_NE(result.err.find("Prefs/LeaveNew"), std::string::npos) << result.err;
}

TEST_F(SettingsCliTest, WrongArgumentsGiveTheUsageExit) {
    const std::vector<std::vector<std::string>> wrong = {
        {"settings"},
        {"settings", "get", "S", "K"},
        {"settings", "get", "S", "K", "D", "extra"},
        {"settings", "fetch", "S", "K", "D"},
        {"settings", "get-int", "S", "K", "12abc"},
        {"settings", "set-int", "S", "K", "2147483648"},
        {"settings", "set-int", "S", "K", ""},
        {"entities", "decode"},
        {"entities", "shout", "x"},
        {"entities", "decode", "a", "b"},
        {"lines"},
        {"lines", "a", "b"},
    };
    for (const auto& args : wrong) {
        const auto result = runProgram(kProgram, args, scratch.str());
        EXPECT_EQ(result.exitCode, 64) << args[0] << ' ' << args.size();
        EXPECT_NE(result.err.find("usage: zelvon-cli"), std::string::npos);
    }
    EXPECT_FALSE(std::filesystem::exists(config.path() / "Tervane")) << "nothing was written";
}

} // namespace
} // namespace zelvon
