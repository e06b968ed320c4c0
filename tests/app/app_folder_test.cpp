#include "app/app_folder.h"
#include "foundation/text_codec.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <unistd.h>

namespace zelvon {
namespace {

TEST(AppFolderTest, FolderOfTheProgramPathIsEverythingBeforeTheLastSlash) {
    struct Case {
        const char16_t* program;
        const char16_t* folder;
    };
    const Case cases[] = {
        {u"/opt/zelvon/bin/zelvon", u"/opt/zelvon/bin"},
        {u"/zelvon", u""},
        {u"zelvon", u"zelvon"},
        {u"", u""},
        {u"/opt/dir.with.dots/zel von", u"/opt/dir.with.dots"},
        {u"/opt/caf\u00e9/zelvon", u"/opt/caf\u00e9"},
        {u"relative/bin/zelvon", u"relative/bin"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(appFolderFromProgramPath(c.program), c.folder) << toUtf8(c.program);
}

// The environment variable is process-wide; each test puts it back.
class ResolveAppFolderTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (const char* value = std::getenv("ZELVON_APP_FOLDER"))
            saved_ = value;
        ::unsetenv("ZELVON_APP_FOLDER");
    }
    void TearDown() override {
        if (saved_)
            ::setenv("ZELVON_APP_FOLDER", saved_->c_str(), 1);
        else
            ::unsetenv("ZELVON_APP_FOLDER");
    }

private:
    std::optional<std::string> saved_;
};

TEST_F(ResolveAppFolderTest, OptionBeatsEnvironmentBeatsProgramFile) {
    ::setenv("ZELVON_APP_FOLDER", "/from/environment/", 1);
    EXPECT_EQ(resolveAppFolder(std::string("/from/option//"), "/bin/x"), u"/from/option");
    EXPECT_EQ(resolveAppFolder(std::nullopt, "/bin/x"), u"/from/environment");
    EXPECT_EQ(resolveAppFolder(std::string(), "/bin/x"), u"/from/environment") << "an empty option counts as none";
    EXPECT_EQ(resolveAppFolder(std::string("/"), "/bin/x"), u"") << "the root folder";

    ::setenv("ZELVON_APP_FOLDER", "", 1);
    // This test program lives in the build tree's tests folder, beside bin.
    const auto expected = std::filesystem::canonical(std::filesystem::path(ZELVON_BIN_DIR) / ".." / "tests");
    EXPECT_EQ(resolveAppFolder(std::nullopt, "/somewhere/else/argv0"), fromUtf8(expected.string()));
}

TEST_F(ResolveAppFolderTest, RelativeOverridesArePinnedToTheWorkingFolder) {
    test::TempDir dir;
    const auto savedCwd = std::filesystem::current_path();
    std::filesystem::current_path(dir.path());
    const std::u16string here = fromUtf8(std::filesystem::current_path().string());
    EXPECT_EQ(resolveAppFolder(std::string("data/app/"), nullptr), here + u"/data/app");
    EXPECT_EQ(resolveAppFolder(std::string("."), nullptr), here);
    ::setenv("ZELVON_APP_FOLDER", "./env", 1);
    EXPECT_EQ(resolveAppFolder(std::nullopt, nullptr), here + u"/env");
    std::filesystem::current_path(savedCwd);
}

} // namespace
} // namespace zelvon
