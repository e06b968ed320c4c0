// Names that come from data must stay inside their folder: the usual forms
// of escape (absolute, "..", a symbolic link out) are refused, ordinary and
// nested names are kept, and folder creation never leaves the base.

#include "foundation/contained_path.h"

#include "foundation/text_codec.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace zelvon {
namespace {

namespace fs = std::filesystem;

class ContainedPathTest : public ::testing::Test {
protected:
    void SetUp() override {
        fs::create_directories(base.path() / "scripts" / "inner");
        outside.write("secret.txt", "secret");
        fs::create_directory_symlink(outside.path(), base.path() / "out");
        fs::create_directory_symlink(base.path() / "scripts", base.path() / "alias");
        fs::create_symlink(outside.path() / "secret.txt", base.path() / "scripts" / "linked.txt");
        fs::create_symlink(outside.path() / "not-yet.txt", base.path() / "scripts" / "dangling.txt");
    }
    std::optional<std::u16string> contained(const std::string& name) const {
        return containedPath(base.u16path(), u16(name));
    }

    test::TempDir base;
    test::TempDir outside;
};

TEST_F(ContainedPathTest, AcceptsNamesInsideAndRefusesEveryWayOut) {
    const struct {
        std::string name;
        std::string expected; // relative to the base; empty: refused
    } cases[] = {
        {"scripts\\detail.nrt", "scripts/detail.nrt"},
        {"scripts/inner/new/deeper/x.nrt", "scripts/inner/new/deeper/x.nrt"},
        {"./scripts//x.nrt", "scripts/x.nrt"},
        {"alias/x.nrt", "alias/x.nrt"}, // a link that stays inside
        {"top.txt", "top.txt"},
        {"", ""},
        {".", ""},
        {"/etc/passwd", ""},
        {"\\etc\\passwd", ""},
        {"../x.txt", ""},
        {"scripts\\..\\..\\x.txt", ""},
        {"scripts/../x.txt", ""}, // harmless here, refused all the same
        {"out/secret.txt", ""},
        {"out/new/file.txt", ""},
        {"scripts/linked.txt", ""},
        {"scripts/dangling.txt", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto path = contained(c.name);
        if (c.expected.empty())
            EXPECT_FALSE(path.has_value()) << toUtf8(*path);
        else
            EXPECT_EQ(toUtf8(path.value_or(u"(refused)")), base.file(c.expected));
    }
    // A base that does not exist holds nothing.
    EXPECT_FALSE(containedPath(base.u16file("missing"), u"x.txt"));
}

TEST_F(ContainedPathTest, CreatesMissingFoldersOnlyInside) {
    const auto nested = contained("scripts/new/deeper/x.nrt");
    ASSERT_TRUE(nested);
    EXPECT_TRUE(createFoldersInside(base.u16path(), *nested));
    EXPECT_TRUE(fs::is_directory(base.path() / "scripts" / "new" / "deeper"));
    EXPECT_FALSE(fs::exists(base.path() / "scripts" / "new" / "deeper" / "x.nrt"));
    EXPECT_TRUE(createFoldersInside(base.u16path(), base.u16file("top.txt")));

    // A path that passed the check but meets a link planted afterwards, and
    // a path that is not below the base at all.
    fs::create_directory_symlink(outside.path(), base.path() / "scripts" / "later");
    EXPECT_FALSE(createFoldersInside(base.u16path(), base.u16file("scripts/later/made/x.nrt")));
    EXPECT_FALSE(fs::exists(outside.path() / "made"));
    EXPECT_FALSE(createFoldersInside(base.u16path(), outside.u16file("made/x.nrt")));
    EXPECT_FALSE(fs::exists(outside.path() / "made"));

    // A file where a folder should be.
    base.write("plain", "x");
    EXPECT_FALSE(createFoldersInside(base.u16path(), base.u16file("plain/x.nrt")));

    // A link that stays inside is followed, and the folders are made where
    // it leads.
    fs::create_directory(base.path() / "real");
    fs::create_directory_symlink(base.path() / "real", base.path() / "scripts" / "alias");
    EXPECT_TRUE(createFoldersInside(base.u16path(), base.u16file("scripts/alias/made/x.nrt")));
    EXPECT_TRUE(fs::is_directory(base.path() / "real" / "made"));

    // 1,600 folders deep, made one step from the last (resolving the whole
    // path at every step took half a minute at this depth).
    std::string deep = "deep";
    for (int i = 0; i < 1600; ++i)
        deep += "/d";
    EXPECT_TRUE(createFoldersInside(base.u16path(), base.u16file(deep + "/x.nrt")));
    EXPECT_TRUE(fs::is_directory(base.path() / deep));
    EXPECT_FALSE(fs::exists(base.path() / deep / "x.nrt"));
}

} // namespace
} // namespace zelvon
