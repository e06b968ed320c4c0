#include "watch/app_folder_lock.h"

#include "foundation/text_codec.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

namespace zelvon {
namespace {

using test::TempDir;

TEST(AppFolderLock, SecondHolderIsRefusedUntilTheFirstLetsGo) {
    TempDir app;
    app.write("cache/.keep", "");
    std::u16string error;
    AppFolderLock first;
    ASSERT_TRUE(first.acquire(app.u16path(), error)) << toUtf8(error);
    {
        // A second open file description behaves like another process.
        AppFolderLock second;
        EXPECT_FALSE(second.acquire(app.u16path(), error));
        EXPECT_FALSE(second.isHeld());
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

TEST(AppFolderLock, ChildProcessIsRefusedWhileTheParentHoldsIt) {
    TempDir app;
    app.write("cache/.keep", "");
    AppFolderLock parentLock;
    std::u16string error;
    ASSERT_TRUE(parentLock.acquire(app.u16path(), error));

    const auto childTries = [&app]() -> int {
        const pid_t pid = ::fork();
        if (pid == 0) {
            AppFolderLock childLock;
            std::u16string childError;
            ::_exit(childLock.acquire(app.u16path(), childError) ? 0 : 1);
        }
        int status = -1;
        ::waitpid(pid, &status, 0);
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    };
    EXPECT_EQ(childTries(), 1);
    parentLock.release();
    EXPECT_EQ(childTries(), 0);
}

TEST(AppFolderLock, MissingCacheFolderIsAClearFailure) {
    TempDir app;
    AppFolderLock lock;
    std::u16string error;
    EXPECT_FALSE(lock.acquire(app.u16path(), error));
    EXPECT_NE(error.find(AppFolderLock::lockFilePath(app.u16path())), std::u16string::npos) << toUtf8(error);
}

} // namespace
} // namespace zelvon
