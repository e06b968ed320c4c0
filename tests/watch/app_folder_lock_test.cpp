#include "watch/app_folder_lock.h"

#include "foundation/text_codec.h"
#include "support/temp_dir.h"
#include "watch/leftover_files.h"
#include "watch/watch_list.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace zelvon {
namespace {

namespace fs = std::filesystem;
using test::TempDir;

TEST(AppFolderLock, SecondHolderIsRefusedUntilTheFirstLetsGo) {
    TempDir app;
    app.write("cache/.keep", "");
    std::u16string error;
    AppFolderLock first;
    ASSERT_TRUE(first.acquire(app.u16path(), error)) << toUtf8(error);
    {
        // A second open file description is refused like another process.
        AppFolderLock second;
        EXPECT_FALSE(second.acquire(app.u16path(), error));
        EXPECT_FALSE(second.isHeld());
        EXPECT_TRUE(second.heldElsewhere());
        EXPECT_NE(error.find(u"Another Zelvon process"), std::u16string::npos) << toUtf8(error);
        EXPECT_NE(error.find(app.u16path()), std::u16string::npos);

        first.release();
        error.clear();
        EXPECT_TRUE(second.acquire(app.u16path(), error)) << toUtf8(error);
        EXPECT_FALSE(first.acquire(app.u16path(), error));
    }
    // Destroying the holder lets go as well.
    error.clear();
    EXPECT_TRUE(first.acquire(app.u16path(), error)) << toUtf8(error);
}

TEST(AppFolderLock, MissingCacheFolderIsAClearFailure) {
    TempDir app;
    AppFolderLock lock;
    std::u16string error;
    EXPECT_FALSE(lock.acquire(app.u16path(), error));
    EXPECT_FALSE(lock.heldElsewhere());
    EXPECT_NE(error.find(app.u16path() + u"/cache"), std::u16string::npos) << toUtf8(error);
}

// Another process holds the folder while everything in its cache folder is
// deleted and made anew (the old lock file included, had there been one):
// nothing there can let a second writer in.
TEST(AppFolderLock, DeletingTheCacheDoesNotReleaseAnotherProcesssLock) {
    TempDir app;
    app.write("cache/zelvon.lock", "");
    int toChild[2];
    int fromChild[2];
    ASSERT_EQ(::pipe(toChild), 0);
    ASSERT_EQ(::pipe(fromChild), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        AppFolderLock lock;
        std::u16string error;
        const char held = lock.acquire(app.u16path(), error) ? 'y' : 'n';
        (void)!::write(fromChild[1], &held, 1);
        char done = 0;
        (void)!::read(toChild[0], &done, 1); // until the parent has tried
        ::_exit(0);
    }
    char held = 0;
    ASSERT_EQ(::read(fromChild[0], &held, 1), 1);
    ASSERT_EQ(held, 'y');

    fs::remove_all(app.path() / "cache");
    fs::create_directory(app.path() / "cache");
    app.write("cache/zelvon.lock", "");
    AppFolderLock second;
    std::u16string error;
    EXPECT_FALSE(second.acquire(app.u16path(), error));
    EXPECT_TRUE(second.heldElsewhere()) << toUtf8(error);

    ASSERT_EQ(::write(toChild[1], "x", 1), 1);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    for (const int fd : {toChild[0], toChild[1], fromChild[0], fromChild[1]})
        ::close(fd);
    error.clear();
    EXPECT_TRUE(second.acquire(app.u16path(), error)) << toUtf8(error);
}

// The folder is renamed away, or renamed and replaced by a copy, while a
// list of it is in memory: the next save is refused with the reason, and
// neither folder's list is touched.
TEST(AppFolderLock, AReplacedFolderStopsTheNextSave) {
    const struct {
        const char* label;
        bool replaced;
        const char16_t* reason;
    } cases[] = {
        {"renamed away", false, u"was moved or removed"},
        {"replaced by a copy", true, u"was replaced by another folder"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        TempDir parent;
        const fs::path folder = parent.path() / "app";
        const std::string list = "<vertrel version=\"1.0\">\r\n</vertrel>\r\n";
        parent.write("app/cache/productList.txt", list);
        AppFolderLock lock;
        std::u16string error;
        ASSERT_TRUE(lock.acquire(fromUtf8(folder.string()), error)) << toUtf8(error);
        WatchList watch;
        ASSERT_TRUE(watch.load(fromUtf8((folder / "cache/productList.txt").string()), 0, {}));
        watch.append(ProductRecord{});
        ASSERT_TRUE(watch.save());
        const std::string saved = parent.read("app/cache/productList.txt");
        EXPECT_TRUE(lock.stillHeld(error)) << toUtf8(error);

        fs::rename(folder, parent.path() / "moved");
        if (c.replaced)
            fs::copy(parent.path() / "moved", folder, fs::copy_options::recursive);
        watch.append(ProductRecord{});
        EXPECT_FALSE(watch.save());
        EXPECT_TRUE(watch.saveLostLock());
        EXPECT_NE(watch.saveRefusal().find(c.reason), std::u16string::npos) << toUtf8(watch.saveRefusal());
        EXPECT_FALSE(lock.stillHeld(error));
        EXPECT_EQ(parent.read("moved/cache/productList.txt"), saved);
        EXPECT_EQ(parent.read("app/cache/productList.txt"), c.replaced ? saved : "");

        // Lists of other folders are no business of this lock.
        WatchList other;
        other.load(parent.u16file("elsewhere/productList.txt"), 0, {});
        parent.write("elsewhere/.keep", "");
        EXPECT_TRUE(other.save()) << toUtf8(other.saveRefusal());
        lock.release();
        if (c.replaced) {
            EXPECT_TRUE(watch.save()) << "no lock held, nothing to lose";
        }
    }
}

// Files an earlier run left when it was killed: the program's own names,
// last changed before the lock was taken, go; everything else stays.
TEST(AppFolderLock, LeftoversOfKilledRunsGoWhenTheFolderIsLocked) {
    TempDir app;
    const auto age = [&](const std::string& name, int seconds) {
        const auto when = fs::last_write_time(app.path() / name) + std::chrono::seconds(seconds);
        fs::last_write_time(app.path() / name, when);
    };
    const struct {
        std::string name;
        int ageSeconds; // negative: older than the lock
        bool removed;
    } files[] = {
        {"cache/.productList.txt.tmp-a1B2c3", -60, true},
        {"cache/.whatsNewList.txt.tmp-ZZZZZZ", -3600, true},
        {"cache/job-3-workspace.htm", -60, true},
        {"cache/job-12-productTemp.txt", -60, true},
        {"cache/.job-4-workspace.htm.tmp-000000", -60, true},
        {"scripts/.scripts.txt.tmp-qwerty", -60, true},
        {"data/.whatsNew.xml.tmp-Q1w2E3", -60, true},
        // Younger than the lock: a writer's, not a leftover.
        {"cache/.productList.txt.tmp-young1", 3600, false},
        // Not the program's names, or not where it writes them.
        {"cache/productList.txt", -60, false},
        {"cache/.productList.txt.tmp-short", -60, false},
        {"cache/.productList.txt.tmp-a1B2c3d", -60, false},
        {"cache/.productList.txt.tmp-ab-de!", -60, false},
        {"cache/notes.tmp-a1B2c3", -60, false},
        {"cache/job-x-workspace.htm", -60, false},
        {"cache/job-3-workspace.html", -60, false},
        {"cache/myjob-3-workspace.htm", -60, false},
        {"help/.zelvonhelp.htm.tmp-a1B2c3", -60, false},
        {".productList.txt.tmp-a1B2c3", -60, false},
    };
    for (const auto& f : files) {
        app.write(f.name, "leftover");
        age(f.name, f.ageSeconds);
    }
    // A folder and a link with a leftover's name are not files to remove.
    fs::create_directory(app.path() / "cache/.dir.tmp-abcdef");
    fs::create_symlink(app.path() / "cache/productList.txt", app.path() / "cache/.link.tmp-abcdef");

    AppFolderLock lock;
    std::u16string error;
    ASSERT_TRUE(lock.acquire(app.u16path(), error)) << toUtf8(error);
    for (const auto& f : files)
        EXPECT_EQ(fs::exists(app.path() / f.name), !f.removed) << f.name;
    EXPECT_TRUE(fs::is_directory(app.path() / "cache/.dir.tmp-abcdef"));
    EXPECT_TRUE(fs::is_symlink(app.path() / "cache/.link.tmp-abcdef"));
    EXPECT_EQ(app.read("cache/productList.txt"), "leftover");
}

} // namespace
} // namespace zelvon
