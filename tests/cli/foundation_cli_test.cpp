#include "support/run_program.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <sys/resource.h>
#include <sys/wait.h>

namespace zelvon {
namespace {

// Each test runs the command line against its own configuration folder.
class FoundationCliTest : public ::testing::Test {
protected:
    void SetUp() override {
        const char* value = std::getenv("XDG_CONFIG_HOME");
        saved_ = value ? std::optional<std::string>(value) : std::nullopt;
        ::setenv("XDG_CONFIG_HOME", config.str().c_str(), 1);
    }
    void TearDown() override { saved_ ? ::setenv("XDG_CONFIG_HOME", saved_->c_str(), 1) : ::unsetenv("XDG_CONFIG_HOME"); }
    test::ProgramResult run(const std::vector<std::string>& args) {
        return test::runProgram(ZELVON_BIN_DIR "/zelvon-cli", args, scratch.str());
    }

    test::TempDir config;
    test::TempDir scratch;

private:
    std::optional<std::string> saved_;
};

TEST_F(FoundationCliTest, EntitiesAndLinesPrintTheirResults) {
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{"escape-xml", "<&'"}, "&lt;&amp;&#039;\n"},
        {{"escape-markup", "a&b<c"}, "a&b&lt;c\n"},
        {{"unescape-markup", "&lt;&gt;&#039;&quot;&amp;"}, "<>'\"&amp;\n"},
        {{"decode", "Caf&eacute; &amp;lt; &#8364;&EACUTE;"}, "Caf\xC3\xA9 &lt; \xE2\x82\xAC\xC3\xA9\n"},
        {{"decode", ""}, "\n"},
    };
    for (const auto& [args, out] : cases) {
        const auto result = run({"entities", args[0], args[1]});
        EXPECT_EQ(result.exitCode, 0) << args[0] << ": " << result.err;
        EXPECT_EQ(result.out, out) << args[0];
    }

    scratch.write("list.txt", "first  \r\n\n  indented\ncaf\xE9 last  ");
    const auto lines = run({"lines", scratch.file("list.txt")});
    EXPECT_EQ(lines.exitCode, 0) << lines.err;
    EXPECT_EQ(lines.out, "[first]\n[]\n[  indented]\n[caf\xC3\xA9 last  ]\n");
    const auto missing = run({"lines", scratch.file("missing.txt")});
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_EQ(missing.out, "");
    EXPECT_NE(missing.err.find("missing.txt"), std::string::npos);
}

TEST_F(FoundationCliTest, SettingsWritesAndReadsTextAndIntegers) {
    EXPECT_EQ(run({"settings", "get-int", "WindowDefaults", "SplitterPos", "100"}).out, "100\n");
    EXPECT_EQ(run({"settings", "get", "Prefs", "ExternalBrowser", "\\Windows\\iexplore.exe"}).out,
              "\\Windows\\iexplore.exe\n");
    EXPECT_EQ(run({"settings", "set-int", "WindowDefaults", "SplitterPos", "140"}).exitCode, 0);
    EXPECT_EQ(run({"settings", "set", "Settings", "ProxyAddress", "caf\xC3\xA9 = proxy; #1"}).exitCode, 0);
    EXPECT_EQ(run({"settings", "get-int", "WindowDefaults", "SplitterPos", "100"}).out, "140\n");
    EXPECT_EQ(run({"settings", "get", "Settings", "ProxyAddress", ""}).out, "caf\xC3\xA9 = proxy; #1\n");
    EXPECT_EQ(run({"settings", "get-int", "Settings", "ProxyAddress", "-5"}).out, "-5\n") << "text is no integer";
    // The file lands where the window will look for it.
    EXPECT_NE(config.read("Tervane/Zelvon.conf").find("[WindowDefaults]\nSplitterPos=140\n"), std::string::npos);

    // A text the store may store but not read back is accepted; one it may
    // not store at all is reported, and so is a write that failed.
    EXPECT_EQ(run({"settings", "set", "S", "Long", std::string(511, 'x')}).exitCode, 0);
    const auto tooLong = run({"settings", "set", "S", "TooLong", std::string(512, 'x')});
    EXPECT_EQ(tooLong.exitCode, 1);
    EXPECT_NE(tooLong.err.find("S/TooLong"), std::string::npos) << tooLong.err;
    EXPECT_EQ(config.read("Tervane/Zelvon.conf").find("TooLong"), std::string::npos);
    std::filesystem::remove_all(config.path() / "Tervane");
    config.write("Tervane/Zelvon.conf/blocked", ""); // a folder where the file belongs
    const auto blocked = run({"settings", "set-int", "Prefs", "LeaveNew", "2"});
    EXPECT_EQ(blocked.exitCode, 1);
    EXPECT_NE(blocked.err.find("Prefs/LeaveNew"), std::string::npos) << blocked.err;
}

// A full disk, simulated with a file size limit that the command inherits
// from a forked child of the test: every value length must report a write
// that did not reach the disk, and the file must keep what it held. The
// values that fit show the limit is what fails the others.
TEST_F(FoundationCliTest, SettingsOnAFullDiskAreReportedWhateverTheLength) {
    ASSERT_EQ(run({"settings", "set", "Settings", "ProxyAddress", "proxy.example"}).exitCode, 0);
    const std::string before = config.read("Tervane/Zelvon.conf");
    constexpr rlim_t kLimit = 250; // bytes a file may grow to
    const struct {
        size_t length;
        bool fits;
    } cases[] = {{1, true}, {100, true}, {254, false}, {255, false}, {256, false}, {300, false}, {400, false},
                 {511, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.length);
        const std::string value(c.length, 'v');
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            std::signal(SIGXFSZ, SIG_IGN); // a write past the limit fails with EFBIG instead
            const rlimit limit{kLimit, kLimit};
            ::setrlimit(RLIMIT_FSIZE, &limit);
            const auto result = run({"settings", "set", "Settings", "Value" + std::to_string(c.length), value});
            const bool told = result.err.find("could not store Settings/Value") != std::string::npos;
            ::_exit(result.exitCode == 0 ? 0 : (result.exitCode == 1 && told ? 1 : 2));
        }
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFEXITED(status));
        const std::string after = config.read("Tervane/Zelvon.conf");
        if (c.fits) {
            EXPECT_EQ(WEXITSTATUS(status), 0);
            EXPECT_NE(after.find(value), std::string::npos);
            config.write("Tervane/Zelvon.conf", before); // where the next case starts
        } else {
            EXPECT_EQ(WEXITSTATUS(status), 1) << "a failed write passed for success";
            EXPECT_EQ(after, before);
        }
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(config.path() / "Tervane"))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        EXPECT_EQ(names, (std::vector<std::string>{"Zelvon.conf", "Zelvon.conf.lock"})) << "no temporary file left";
    }
}

// A writer killed between making its temporary file and renaming it leaves
// that file; the next write removes it (only the settings file's own, only
// older ones).
TEST_F(FoundationCliTest, SettingsWritesClearTheirOwnLeftovers) {
    ASSERT_EQ(run({"settings", "set-int", "Prefs", "LeaveNew", "1"}).exitCode, 0);
    const auto old = std::filesystem::file_time_type::clock::now() - std::chrono::minutes(5);
    for (const char* name : {".Zelvon.conf.tmp-Ab12Cd", ".Other.conf.tmp-Ab12Cd", ".Zelvon.conf.tmp-young1"}) {
        config.write(std::string("Tervane/") + name, "half a settings file");
        if (std::string(name).find("young") == std::string::npos)
            std::filesystem::last_write_time(config.path() / "Tervane" / name, old);
        else
            std::filesystem::last_write_time(config.path() / "Tervane" / name, old + std::chrono::hours(1));
    }
    ASSERT_EQ(run({"settings", "set-int", "Prefs", "LeaveNew", "2"}).exitCode, 0);
    EXPECT_FALSE(std::filesystem::exists(config.path() / "Tervane/.Zelvon.conf.tmp-Ab12Cd"));
    EXPECT_TRUE(std::filesystem::exists(config.path() / "Tervane/.Other.conf.tmp-Ab12Cd"));
    EXPECT_TRUE(std::filesystem::exists(config.path() / "Tervane/.Zelvon.conf.tmp-young1"));
}

TEST_F(FoundationCliTest, WrongArgumentsGiveTheUsageExit) {
    const std::vector<std::vector<std::string>> wrong = {
        {"settings", "get", "S", "K"},
        {"settings", "get", "S", "K", "D", "extra"},
        {"settings", "fetch", "S", "K", "D"},
        {"settings", "get-int", "S", "K", "12abc"},
        {"settings", "set-int", "S", "K", "2147483648"},
        {"entities", "decode"},
        {"entities", "shout", "x"},
        {"lines", "a", "b"},
    };
    for (const auto& args : wrong) {
        const auto result = run(args);
        EXPECT_EQ(result.exitCode, 64) << args[0] << ' ' << args[1];
        EXPECT_NE(result.err.find("usage: zelvon-cli"), std::string::npos);
    }
    EXPECT_FALSE(std::filesystem::exists(config.path() / "Tervane")) << "nothing was written";
}

} // namespace
} // namespace zelvon
