// Arguments are checked against each command's declared options before
// anything is opened: a wrong one is exit 64 with the same usage line that
// the command's --help begins with.

#include "support/run_program.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace zelvon {
namespace {

TEST(ParserCli, WrongArgumentsGiveTheDeclaredUsageAndChangeNothing) {
    test::TempDir app, config, scratch;
    ::setenv("XDG_CONFIG_HOME", config.str().c_str(), 1);
    const auto cli = [&](std::vector<std::string> args) {
        args.insert(args.begin(), {"--app-folder", app.str()});
        return test::runProgram(ZELVON_BIN_DIR "/zelvon-cli", args, scratch.str());
    };
    const struct {
        std::vector<std::string> args;
        int exitCode;
        const char* errHas;
    } cases[] = {
        {{"add", "--id", "1", "--name", "x"}, 64, "excludes"},
        {{"add", "--from", "best"}, 64, "--from"},
        {{"extract", "--form", "html", "s.xml"}, 64, "html"},
        {{"entities", "shout", "x"}, 64, "shout"},
        {{"settings", "get", "S", "K"}, 64, "VALUE"},
        {{"ack", "--all", "1"}, 64, "excludes"},
        {{"check", "--jobs", "65"}, 64, "--jobs takes a number from 1 to 64"},
        {{"lists", "best", "whatsnew"}, 64, "whatsnew"},
        {{"xml"}, 64, "FILE"},
        {{"nettest", "--proxy=h:1", "--proxy=h:2"}, 64, "--proxy"},
        // A negative number is a value, not an option; other texts that
        // begin with "-" follow "--".
        {{"settings", "set-int", "S", "K", "-5"}, 0, ""},
        {{"entities", "escape-xml", "--", "-<x>"}, 0, ""},
    };
    for (const auto& c : cases) {
        std::string line;
        for (const std::string& word : c.args)
            line += word + ' ';
        SCOPED_TRACE(line);
        const auto result = cli(c.args);
        EXPECT_EQ(result.exitCode, c.exitCode) << result.err;
        EXPECT_NE(result.err.find(c.errHas), std::string::npos) << result.err;
        if (c.exitCode != 64)
            continue;
        EXPECT_EQ(result.out, "");
        const auto help = cli({c.args[0], "--help"});
        const std::string usage = help.out.substr(0, help.out.find('\n') + 1);
        EXPECT_EQ(usage.rfind("usage: zelvon-cli [--app-folder DIR] " + c.args[0] + ' ', 0), 0u) << usage;
        EXPECT_NE(result.err.find(usage), std::string::npos) << "usage after the error:\n" << result.err;
    }
    EXPECT_EQ(cli({"settings", "get-int", "S", "K", "0"}).out, "-5\n");
    EXPECT_EQ(cli({"entities", "escape-xml", "--", "-<x>"}).out, "-&lt;x&gt;\n");
    EXPECT_FALSE(std::filesystem::exists(app.path() / "cache")) << "nothing was made in the folder";
}

} // namespace
} // namespace zelvon
