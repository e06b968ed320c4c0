// The programs as `cmake --install` lays them out in a temporary prefix, run
// as a user would run them: the data lands in the user's own folder, seeded
// from the prefix, and nothing is ever written below the prefix.

#include "demo_store.h"
#include "install/install_support.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace zelvon {
namespace {

namespace fs = std::filesystem;
using test::TempDir;

TEST(InstallTest, InstalledProgramsKeepTheirDataInTheUsersFolder) {
    TempDir prefix, home, scratch;
    const auto installed = test::runWithin(300, CMAKE_COMMAND, {"--install", ZELVON_BUILD_DIR, "--prefix", prefix.str()},
                                           scratch.str());
    ASSERT_EQ(installed.exitCode, 0) << installed.out << installed.err;
    for (const char* file : {"bin/zelvon", "bin/zelvon-cli", "bin/zelvon-demo-store", "share/zelvon/scriptSet.txt",
                             "share/zelvon/scripts/scripts.txt", "share/applications/com.tervane.Zelvon.desktop",
                             "share/icons/hicolor/scalable/apps/zelvon.svg", "share/metainfo/com.tervane.Zelvon.metainfo.xml",
                             "share/man/man1/zelvon.1.gz", "share/man/man1/zelvon-cli.1.gz",
                             "share/bash-completion/completions/zelvon-cli", "lib/systemd/user/zelvon-check.service",
                             "lib/systemd/user/zelvon-check.timer"})
        EXPECT_TRUE(fs::exists(prefix.path() / file)) << file;
    EXPECT_NE(test::readAll(prefix.path() / "lib/systemd/user/zelvon-check.service")
                  .find("ExecStart=" + prefix.file("bin/zelvon-cli") + " check --notify"),
              std::string::npos);

    demo::DemoStore store(demo::StoreOptions{0, 0, "", false});
    ASSERT_TRUE(store.start());
    const fs::path share = prefix.path() / "share/zelvon";
    test::pointAtStore(share, store.baseUrl());
    // Read-only for everyone but root; the listing catches root's writes.
    ASSERT_EQ(test::runProgram("/bin/chmod", {"-R", "a-w", prefix.str()}, scratch.str()).exitCode, 0);
    const std::string before = test::listing(prefix.path());

    ::setenv("HOME", home.str().c_str(), 1);
    ::setenv("XDG_DATA_HOME", home.file("data").c_str(), 1);
    ::setenv("XDG_CONFIG_HOME", home.file("config").c_str(), 1);
    fs::create_directories(home.path() / "run");
    ::setenv("XDG_RUNTIME_DIR", home.file("run").c_str(), 1);
    ::unsetenv("ZELVON_APP_FOLDER");
    const fs::path folder = home.path() / "data/Tervane/Zelvon";
    const auto cli = [&](std::vector<std::string> args) {
        return test::runWithin(120, prefix.file("bin/zelvon-cli"), args, scratch.str());
    };

    const struct {
        std::vector<std::string> args;
        const char* outHas;
    } runs[] = {
        {{"add", "--name", "chess", "--pick", "2"}, "Added 0\tPocket Chess Master"},
        {{"check"}, "Download Success... Name: Pocket Chess Master"},
        {{"list"}, "Pocket Chess Master"},
        {{"settings", "set-int", "Prefs", "ReloadOnStart", "1"}, ""},
    };
    for (const auto& r : runs) {
        SCOPED_TRACE(r.args[0]);
        const auto result = cli(r.args);
        EXPECT_EQ(result.exitCode, 0) << result.out << result.err;
        EXPECT_NE(result.out.find(r.outHas), std::string::npos) << result.out;
    }
    EXPECT_TRUE(fs::exists(folder / "scripts/productDetail.nrt"));
    EXPECT_TRUE(fs::exists(folder / "help/zelvonhelp.htm"));
    EXPECT_NE(test::readAll(folder / "cache/productList.txt").find("Pocket Chess Master"), std::string::npos);

    // The window: it fills its tree, reloads everything (ReloadOnStart) and
    // ends when that run is over; at exit it backs the lists up.
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    ::setenv("ZELVON_TIMING", "quit-after-run", 1);
    const auto window = test::runWithin(120, prefix.file("bin/zelvon"), {}, scratch.str());
    ::unsetenv("ZELVON_TIMING");
    EXPECT_EQ(window.exitCode, 0) << window.err;
    EXPECT_NE(window.err.find("update_run_ms"), std::string::npos) << window.err;
    EXPECT_TRUE(fs::exists(folder / "cache/productListBK.txt"));
    EXPECT_EQ(test::listing(prefix.path()), before) << "something was written below the prefix";

    // The systemd units as installed (where systemd-analyze exists).
    // Their Documentation= page is looked up in the prefix when man exists.
    if (fs::exists("/usr/bin/systemd-analyze")) {
        ::setenv("MANPATH", prefix.file("share/man").c_str(), 1);
        const auto verified = test::runWithin(
            60, "/usr/bin/systemd-analyze",
            {"verify", "--user", fs::exists("/usr/bin/man") ? "--man=yes" : "--man=no",
             prefix.file("lib/systemd/user/zelvon-check.timer"), prefix.file("lib/systemd/user/zelvon-check.service")},
            scratch.str());
        ::unsetenv("MANPATH");
        EXPECT_EQ(verified.exitCode, 0) << verified.out << verified.err;
    }

    // A package update with a newer script set: changed scripts replace the
    // shipped ones the user still has, new ones arrive, the list stays.
    ASSERT_EQ(test::runProgram("/bin/chmod", {"-R", "u+w", prefix.str()}, scratch.str()).exitCode, 0);
    std::ofstream(share / "scriptSet.txt", std::ios::trunc) << "2\n";
    const std::string newerBest = test::readAll(share / "scripts/bestSelling.nrt") + "\n";
    std::ofstream(share / "scripts/bestSelling.nrt", std::ios::binary | std::ios::trunc) << newerBest;
    std::ofstream(share / "help/whatsNewInThisVersion.htm", std::ios::binary) << "<p>new</p>";

    const auto afterUpdate = cli({"check"});
    EXPECT_EQ(afterUpdate.exitCode, 0) << afterUpdate.out << afterUpdate.err;
    EXPECT_EQ(test::readAll(folder / "scripts/bestSelling.nrt"), newerBest);
    EXPECT_TRUE(fs::exists(folder / "help/whatsNewInThisVersion.htm"));
    EXPECT_NE(test::readAll(folder / "cache/productList.txt").find("Pocket Chess Master"), std::string::npos);
    EXPECT_EQ(cli({"settings", "get-int", "Settings", "AutoCheckVersion", "1"}).out, "2\n");

    // A data folder that cannot be made: a clear error, exit 1, nothing
    // touched.
    home.write("blocked", "a file, not a folder");
    ::setenv("XDG_DATA_HOME", home.file("blocked").c_str(), 1);
    const auto blocked = cli({"list"});
    EXPECT_EQ(blocked.exitCode, 1);
    EXPECT_NE(blocked.err.find("Zelvon cannot be created"), std::string::npos) << blocked.err;
    EXPECT_EQ(home.read("blocked"), "a file, not a folder");
}

} // namespace
} // namespace zelvon
