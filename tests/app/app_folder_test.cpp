#include "app/app_folder.h"
#include "foundation/text_codec.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace zelvon {
namespace {

TEST(AppFolderTest, FolderOfTheProgramPathIsEverythingBeforeTheLastSlash) {
    const std::pair<std::u16string, std::u16string> cases[] = {
        {u"/opt/zelvon/bin/zelvon", u"/opt/zelvon/bin"},
        {u"/zelvon", u""},
        {u"zelvon", u"zelvon"},
        {u"/opt/caf\u00e9.d/zel von", u"/opt/caf\u00e9.d"},
    };
    for (const auto& [program, folder] : cases)
        EXPECT_EQ(appFolderFromProgramPath(program), folder) << toUtf8(program);
}

TEST(AppFolderTest, OptionBeatsEnvironmentBeatsProgramFile) {
    const char* saved = std::getenv("ZELVON_APP_FOLDER");
    const std::optional<std::string> savedValue = saved ? std::optional<std::string>(saved) : std::nullopt;
    test::TempDir dir;
    const auto savedCwd = std::filesystem::current_path();
    std::filesystem::current_path(dir.path());
    const std::u16string here = fromUtf8(std::filesystem::current_path().string());

    ::setenv("ZELVON_APP_FOLDER", "/from/environment/", 1);
    EXPECT_EQ(resolveAppFolder(std::string("/from/option//"), "/bin/x"), u"/from/option");
    EXPECT_EQ(resolveAppFolder(std::nullopt, "/bin/x"), u"/from/environment");
    EXPECT_EQ(resolveAppFolder(std::string(), "/bin/x"), u"/from/environment") << "an empty option counts as none";
    EXPECT_EQ(resolveAppFolder(std::string("/"), "/bin/x"), u"") << "the root folder";
    // Relative overrides are pinned to the working folder at once.
    EXPECT_EQ(resolveAppFolder(std::string("data/app/"), nullptr), here + u"/data/app");
    ::setenv("ZELVON_APP_FOLDER", "./env", 1);
    EXPECT_EQ(resolveAppFolder(std::nullopt, nullptr), here + u"/env");

    // Without either, the folder of the running program: this test program
    // lives in the build tree's tests folder, beside bin.
    ::setenv("ZELVON_APP_FOLDER", "", 1);
    const auto expected = std::filesystem::canonical(std::filesystem::path(ZELVON_BIN_DIR) / ".." / "tests");
    EXPECT_EQ(resolveAppFolder(std::nullopt, "/somewhere/else/argv0"), fromUtf8(expected.string()));

    std::filesystem::current_path(savedCwd);
    savedValue ? ::setenv("ZELVON_APP_FOLDER", savedValue->c_str(), 1) : ::unsetenv("ZELVON_APP_FOLDER");
}

} // namespace
} // namespace zelvon
