#include "app/app_folder.h"
#include "app/app_folder_seed.h"
#include "foundation/text_codec.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <optional>

namespace zelvon {
namespace {

namespace fs = std::filesystem;
using test::TempDir;

// Sets an environment variable for one scope and puts the old value back.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const char* value) : name_(name) {
        if (const char* old = std::getenv(name))
            old_ = old;
        value ? ::setenv(name, value, 1) : ::unsetenv(name);
    }
    ~ScopedEnv() { old_ ? ::setenv(name_, old_->c_str(), 1) : ::unsetenv(name_); }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    const char* name_;
    std::optional<std::string> old_;
};

TEST(AppFolderSeedTest, InstalledProgramsFindTheirDataAndUseTheUsersFolder) {
    TempDir prefix;
    prefix.write("share/zelvon/scripts/scripts.txt", "x");
    fs::create_directories(prefix.path() / "bin");
    EXPECT_EQ(packagedDataFolder(prefix.u16file("bin")), prefix.u16file("share/zelvon"));
    EXPECT_EQ(packagedDataFolder(prefix.u16file("bin/")), prefix.u16file("share/zelvon"));
    TempDir buildTree;
    fs::create_directories(buildTree.path() / "bin");
    EXPECT_EQ(packagedDataFolder(buildTree.u16file("bin")), u"") << "no share/zelvon beside it: a build folder";

    const struct {
        const char* dataHome;
        const char* home;
        std::u16string expected;
    } cases[] = {
        {"/data/home/", "/home/u", u"/data/home/Tervane/Zelvon"},
        {"relative/ignored", "/home/u", u"/home/u/.local/share/Tervane/Zelvon"},
        {nullptr, "/home/u", u"/home/u/.local/share/Tervane/Zelvon"},
        {"", "/home/u/", u"/home/u/.local/share/Tervane/Zelvon"},
    };
    for (const auto& c : cases) {
        const ScopedEnv dataHome("XDG_DATA_HOME", c.dataHome);
        const ScopedEnv home("HOME", c.home);
        EXPECT_EQ(userAppFolder(), c.expected) << (c.dataHome ? c.dataHome : "(unset)");
    }
}

class SeedScenario : public ::testing::Test {
protected:
    void ship(const std::string& rel, const std::string& bytes) { packaged_.write(rel, bytes); }
    void shipScriptSet(int number) { packaged_.write("scriptSet.txt", std::to_string(number) + "\n"); }
    SeedResult seed(int32_t installedScriptSet = 1) {
        return seedAppFolder(packaged_.u16path(), user_.u16file("Tervane/Zelvon"), installedScriptSet);
    }
    std::string userFile(const std::string& rel) const { return user_.read("Tervane/Zelvon/" + rel); }
    void userWrites(const std::string& rel, const std::string& bytes) { user_.write("Tervane/Zelvon/" + rel, bytes); }

    TempDir packaged_;
    TempDir user_;
};

TEST_F(SeedScenario, FirstUseCopiesEverythingAndLaterUsesKeepTheUsersFiles) {
    shipScriptSet(1);
    ship("scripts/scripts.txt", "catalogue 1");
    ship("scripts/productDetail.nrt", "detail 1");
    ship("help/zelvonhelp.htm", "help 1");
    fs::create_directories(packaged_.path() / "cache");

    SeedResult first = seed();
    ASSERT_TRUE(first.ok) << toUtf8(first.errorText);
    EXPECT_EQ(first.copied, 3u);
    EXPECT_EQ(first.shippedScriptSet, 1);
    EXPECT_EQ(userFile("scripts/productDetail.nrt"), "detail 1");
    EXPECT_TRUE(fs::is_directory(user_.path() / "Tervane/Zelvon/cache")) << "empty shipped folders are made too";
    EXPECT_FALSE(fs::exists(user_.path() / "Tervane/Zelvon/scriptSet.txt")) << "the set's number is the shipped data's";

    // The user's own state: a list, a changed help page, a lost script.
    userWrites("cache/productList.txt", "my list");
    userWrites("help/zelvonhelp.htm", "my notes");
    fs::remove(user_.path() / "Tervane/Zelvon/scripts/scripts.txt");
    // A changed shipped file under the same set number is not a new set.
    ship("scripts/productDetail.nrt", "detail 1b");

    SeedResult second = seed();
    ASSERT_TRUE(second.ok);
    EXPECT_EQ(second.copied, 1u);
    EXPECT_EQ(second.replaced, 0u);
    EXPECT_EQ(userFile("scripts/scripts.txt"), "catalogue 1") << "a missing file comes back";
    EXPECT_EQ(userFile("scripts/productDetail.nrt"), "detail 1");
    EXPECT_EQ(userFile("cache/productList.txt"), "my list");
    EXPECT_EQ(userFile("help/zelvonhelp.htm"), "my notes");
    EXPECT_FALSE(second.scriptSetInstalled);
}

TEST_F(SeedScenario, NewerShippedSetReplacesOnlyWhatTheUserLeftAsShipped) {
    shipScriptSet(1);
    ship("scripts/scripts.txt", "catalogue 1");
    ship("scripts/productDetail.nrt", "detail 1");
    ship("scripts/nameSearch.nrt", "search 1");
    ASSERT_TRUE(seed().ok);
    userWrites("cache/productList.txt", "my list");

    const struct {
        const char* name;
        int32_t installed;       // AutoCheckVersion of the user
        bool userFetchedSearch;  // nameSearch.nrt came from the maker's server
        std::string detail, search;
        bool setInstalled;
    } cases[] = {
        {"untouched scripts take the newer set", 1, false, "detail 2", "search 2", true},
        {"a fetched script stays, the rest is replaced", 1, true, "detail 2", "fetched", false},
        {"the user fetched this set or a newer one", 2, false, "detail 1", "search 1", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        // Every case starts from a seeded set 1.
        fs::remove_all(user_.path() / "Tervane");
        shipScriptSet(1);
        ship("scripts/productDetail.nrt", "detail 1");
        ship("scripts/nameSearch.nrt", "search 1");
        ASSERT_TRUE(seed().ok);
        userWrites("cache/productList.txt", "my list");
        if (c.userFetchedSearch)
            userWrites("scripts/nameSearch.nrt", "fetched");

        shipScriptSet(2);
        ship("scripts/productDetail.nrt", "detail 2");
        ship("scripts/nameSearch.nrt", "search 2");
        ship("scripts/versionHistory.nrt", "history 2");
        const SeedResult result = seed(c.installed);
        ASSERT_TRUE(result.ok) << toUtf8(result.errorText);
        EXPECT_EQ(userFile("scripts/productDetail.nrt"), c.detail);
        EXPECT_EQ(userFile("scripts/nameSearch.nrt"), c.search);
        EXPECT_EQ(userFile("scripts/versionHistory.nrt"), "history 2") << "new files always arrive";
        EXPECT_EQ(userFile("scripts/scripts.txt"), "catalogue 1") << "unchanged in the new set";
        EXPECT_EQ(userFile("cache/productList.txt"), "my list");
        EXPECT_EQ(result.scriptSetInstalled, c.setInstalled);

        // The set is seeded now: running again changes nothing.
        const SeedResult again = seed(c.installed);
        EXPECT_EQ(again.copied + again.replaced, 0u);
    }
}

TEST_F(SeedScenario, AFolderThatCannotBeMadeIsAClearErrorAndNothingIsLost) {
    shipScriptSet(1);
    ship("scripts/scripts.txt", "catalogue 1");
    user_.write("Tervane", "a file where the folder should be");
    const SeedResult blocked = seed();
    EXPECT_FALSE(blocked.ok);
    EXPECT_NE(blocked.errorText.find(u"cannot be created"), std::u16string::npos) << toUtf8(blocked.errorText);
    EXPECT_EQ(user_.read("Tervane"), "a file where the folder should be");

    // A damaged manifest counts as "nothing seeded by us": no user file is
    // replaced, missing ones are still copied.
    fs::remove(user_.path() / "Tervane");
    userWrites("scripts/scripts.txt", "my catalogue");
    userWrites(toUtf8(kSeedManifestName), "\x01garbage\nscriptSet x\n");
    shipScriptSet(3);
    ship("scripts/productDetail.nrt", "detail 3");
    const SeedResult damaged = seed();
    ASSERT_TRUE(damaged.ok);
    EXPECT_EQ(userFile("scripts/scripts.txt"), "my catalogue");
    EXPECT_EQ(userFile("scripts/productDetail.nrt"), "detail 3");
}

} // namespace
} // namespace zelvon
