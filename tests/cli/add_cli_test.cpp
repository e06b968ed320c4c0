// Adding products, the store lists and the record commands as a user runs
// them: the demo store in-process, the shipped scripts pointed at it, and
// zelvon-cli started as a separate program with no terminal on its input.

#include "demo_store.h"
#include "support/run_program.h"
#include "support/temp_dir.h"
#include "watch/shipped_app_data.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cstdlib>

namespace zelvon {
namespace {

using test::TempDir;

class AddCli : public ::testing::Test {
protected:
    void SetUp() override {
        ::setenv("XDG_CONFIG_HOME", config_.str().c_str(), 1);
        ASSERT_TRUE(store_.start());
        test::stageShippedAppFolder(app_, store_.baseUrl());
    }

    test::ProgramResult run(std::vector<std::string> args, const std::string& folder = {}) {
        args.insert(args.begin(), {"--app-folder", folder.empty() ? app_.str() : folder});
        return test::runProgram(ZELVON_BIN_DIR "/zelvon-cli", args, scratch_.str());
    }
    nlohmann::json json(std::vector<std::string> args) {
        const auto result = run(std::move(args));
        EXPECT_EQ(result.exitCode, 0) << result.err;
        return nlohmann::json::parse(result.out, nullptr, false);
    }

    demo::DemoStore store_{demo::StoreOptions{0, 0, "", false}};
    TempDir app_;
    TempDir config_;
    TempDir scratch_;
};

TEST_F(AddCli, SeveralMatchesNeedAChoice) {
    const auto asked = run({"add", "--name", "chess"});
    EXPECT_EQ(asked.exitCode, 3) << asked.err;
    EXPECT_NE(asked.out.find("  1) Chess Puzzles Daily\n  2) Pocket Chess Master\n"), std::string::npos) << asked.out;
    EXPECT_FALSE(std::filesystem::exists(app_.file("cache/productList.txt")));

    const auto picked = run({"add", "--name", "chess", "--pick", "2"});
    ASSERT_EQ(picked.exitCode, 0) << picked.err;
    EXPECT_EQ(picked.out, "Added 0\tPocket Chess Master\t4.0.1\n");
    // Unquoted words make one name; one match is added without asking.
    const auto words = run({"add", "--name", "puzzles", "daily"});
    ASSERT_EQ(words.exitCode, 0) << words.err;
    EXPECT_EQ(words.out, "Added 1\tChess Puzzles Daily\t1.3\n");
}

// One row per product: a second add of a watched product, by ID, by name or
// from a store list, adds nothing, names it and ends with exit code 1.
TEST_F(AddCli, AProductAlreadyWatchedIsRefused) {
    ASSERT_EQ(run({"add", "--id", "20117"}).exitCode, 0);
    for (const auto& args : std::vector<std::vector<std::string>>{{"add", "--id", "20117"},
                                                                  {"add", "--name", "chess", "--pick", "2"}}) {
        const auto result = run(args);
        EXPECT_EQ(result.exitCode, 1) << result.out << result.err;
        EXPECT_NE((result.out + result.err).find("\"Pocket Chess Master\" is already on your watch list."),
                  std::string::npos)
            << result.out << result.err;
    }
    // The choice shows which match is watched.
    EXPECT_NE(run({"add", "--name", "chess"}).out.find("  2) Pocket Chess Master  \u2713 already on your watch list\n"),
              std::string::npos);
    EXPECT_EQ(json({"list", "--json"}).size(), 1u);
}

TEST_F(AddCli, FailuresAndWrongArguments) {
    const struct {
        std::vector<std::string> args;
        int exitCode;
    } cases[] = {
        {{"add", "--id", "99999"}, 1},
        {{"add", "--name", "Quixotic Zebra"}, 1},
        {{"add", "--name", "chess", "--pick", "3"}, 64},
        {{"add"}, 64},
        {{"add", "--id", "1", "--pick", "1"}, 64},
        {{"add", "--from", "elsewhere", "0"}, 64},
        {{"add", "--from", "best", "0"}, 64}, // the list was never downloaded
        {{"lists", "elsewhere"}, 64},
        {{"reload-lists", "whatsnew", "best"}, 64},
        {{"remove", "0"}, 64},
        {{"remove", "x"}, 64},
        {{"mark-new"}, 64},
        {{"ack"}, 64},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args[0] + (c.args.size() > 1 ? " " + c.args[1] : ""));
        const auto result = run(c.args);
        EXPECT_EQ(result.exitCode, c.exitCode) << result.out << result.err;
    }
    EXPECT_FALSE(std::filesystem::exists(app_.file("cache/productList.txt")));
}

TEST_F(AddCli, AMissingFolderIsAFailureNotABusyFolder) {
    // A mistyped --app-folder: waiting and trying again (75) cannot help.
    const std::string missing = app_.file("nowhere");
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {"add", "--id", "10412"}, {"check"}, {"reload-lists"}, {"remove", "0"}, {"update-scripts", "--yes"}}) {
        SCOPED_TRACE(args[0]);
        const auto result = run(args, missing);
        EXPECT_EQ(result.exitCode, 1) << result.err;
    }
    EXPECT_FALSE(std::filesystem::exists(missing));
}

TEST_F(AddCli, StoreListsThenAddRemoveMarkAndAcknowledge) {
    ASSERT_EQ(run({"reload-lists"}).exitCode, 0);
    const auto best = json({"lists", "--json", "best"});
    ASSERT_TRUE(best.is_array());
    ASSERT_EQ(best.size(), store_.catalogue().bestSelling().size());
    EXPECT_EQ(best[0]["isNew"], 1);
    const auto both = json({"lists", "--json"});
    EXPECT_EQ(both["best"], best);
    EXPECT_EQ(both["whatsnew"].size(), store_.catalogue().whatsNew().size());

    const auto fromBest = run({"add", "--from", "best", "0"});
    ASSERT_EQ(fromBest.exitCode, 0) << fromBest.err;
    ASSERT_EQ(run({"add", "--id", "10527"}).exitCode, 0);
    ASSERT_EQ(run({"add", "--id", "20104"}).exitCode, 0);
    auto list = json({"list", "--json"});
    ASSERT_EQ(list.size(), 3u);
    EXPECT_EQ(list[0]["productID"], best[0]["productID"]);
    EXPECT_EQ(list[0]["isNew"], 0);

    EXPECT_EQ(run({"mark-new", "0"}).out, "0\t" + best[0]["productName"].get<std::string>() + "\tmarked new\n");
    EXPECT_EQ(run({"mark-new", "2"}).exitCode, 0);
    EXPECT_EQ(run({"remove", "1"}).out, "Removed 1\tB\xc3\xbcrokrat Pro\n");
    list = json({"list", "--json"});
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[0]["isNew"], 1);
    EXPECT_EQ(list[1]["isNew"], 1);

    EXPECT_EQ(run({"ack", "1"}).out, "Acknowledged 1 product.\n");
    EXPECT_EQ(run({"ack", "--all"}).out, "Acknowledged 1 product.\n");
    EXPECT_EQ(run({"ack", "--all"}).out, "Acknowledged 0 products.\n");
    for (const auto& r : json({"list", "--json"})) {
        EXPECT_EQ(r["isNew"], 0);
        EXPECT_EQ(r["keepNew"], 0);
        EXPECT_EQ(r["previousVersion"], r["productVersion"]);
    }
}

} // namespace
} // namespace zelvon
