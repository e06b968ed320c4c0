#include "watch/app_folder_lock.h"

#include "foundation/text_codec.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

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
        // A second open file description is refused like another process
        // (the command-line tests show it across processes).
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

TEST(AppFolderLock, MissingCacheFolderIsAClearFailure) {
    TempDir app;
    AppFolderLock lock;
    std::u16string error;
    EXPECT_FALSE(lock.acquire(app.u16path(), error));
    EXPECT_NE(error.find(AppFolderLock::lockFilePath(app.u16path())), std::u16string::npos) << toUtf8(error);
}

} // namespace
} // namespace zelvon
