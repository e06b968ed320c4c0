#include "foundation/file_io.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace zelvon {
namespace {

namespace fs = std::filesystem;
using test::TempDir;

// Names in the folder other than the ones expected: leftovers of a
// temporary file show up here.
std::vector<std::string> entries(const TempDir& dir) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir.path()))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

class HookGuard {
public:
    explicit HookGuard(std::function<bool(const std::string&)> hook) { setBeforeRenameHookForTesting(std::move(hook)); }
    ~HookGuard() { setBeforeRenameHookForTesting(nullptr); }
};

TEST(FileIoTest, ReadFileBytesReadsRegularFilesOnly) {
    TempDir dir;
    std::string big(200000, 'x');
    big[12345] = '\0';
    dir.write("big.bin", big);
    dir.write("empty.txt", "");
    std::string bytes = "stale";
    ASSERT_TRUE(readFileBytes(dir.u16file("big.bin"), bytes));
    EXPECT_EQ(bytes, big);
    ASSERT_TRUE(readFileBytes(dir.u16file("empty.txt"), bytes));
    EXPECT_EQ(bytes, "");

    EXPECT_FALSE(readFileBytes(dir.u16file("missing.txt"), bytes));
    EXPECT_FALSE(readFileBytes(dir.u16path(), bytes));
    EXPECT_FALSE(readFileBytes(u"", bytes));
    // A NUL would cut the path short and name "big.bin".
    EXPECT_FALSE(readFileBytes(dir.u16file("big.bin") + std::u16string(1, u'\0') + u"x", bytes));
    EXPECT_FALSE(fileExists(dir.u16file("big.bin") + std::u16string(1, u'\0') + u"x"));

    // A named pipe with no writer must not block the reader.
    ASSERT_EQ(::mkfifo(dir.file("pipe").c_str(), 0600), 0);
    EXPECT_FALSE(readFileBytes(dir.u16file("pipe"), bytes));
}

TEST(FileIoTest, WriteFileAtomicallyCreatesAndReplacesLeavingNothingBehind) {
    TempDir dir;
    ASSERT_TRUE(writeFileAtomically(dir.u16file("a.txt"), "first"));
    EXPECT_EQ(dir.read("a.txt"), "first");
    ASSERT_TRUE(writeFileAtomically(dir.u16file("a.txt"), std::string("sec\0nd", 6)));
    EXPECT_EQ(dir.read("a.txt"), std::string("sec\0nd", 6));
    ASSERT_TRUE(writeFileAtomically(dir.u16file("a.txt"), ""));
    EXPECT_EQ(dir.read("a.txt"), "");
    EXPECT_EQ(entries(dir), std::vector<std::string>{"a.txt"});
}

TEST(FileIoTest, ReplacingKeepsThePermissionsOfTheOldFile) {
    TempDir dir;
    dir.write("private.conf", "old");
    ASSERT_EQ(::chmod(dir.file("private.conf").c_str(), 0600), 0);
    ASSERT_TRUE(writeFileAtomically(dir.u16file("private.conf"), "new"));
    struct stat st {};
    ASSERT_EQ(::stat(dir.file("private.conf").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
}

TEST(FileIoTest, ReplacingThroughASymbolicLinkReplacesTheFileItNames) {
    TempDir dir;
    dir.write("real/settings.conf", "old");
    fs::create_symlink(dir.path() / "real/settings.conf", dir.path() / "link.conf");
    ASSERT_TRUE(writeFileAtomically(dir.u16file("link.conf"), "new"));
    EXPECT_TRUE(fs::is_symlink(dir.path() / "link.conf"));
    EXPECT_EQ(dir.read("real/settings.conf"), "new");
}

TEST(FileIoTest, FailuresLeaveTheTargetUntouched) {
    TempDir dir;
    dir.write("keep.txt", "precious");
    fs::create_directory(dir.path() / "folder");

    EXPECT_FALSE(writeFileAtomically(dir.u16file("missing/x.txt"), "data"));
    EXPECT_FALSE(writeFileAtomically(dir.u16file("folder"), "data"));
    EXPECT_TRUE(fs::is_directory(dir.path() / "folder"));
    {
        HookGuard hook([](const std::string&) { return false; }); // a crash right before the rename
        EXPECT_FALSE(writeFileAtomically(dir.u16file("keep.txt"), "half"));
    }
    EXPECT_EQ(dir.read("keep.txt"), "precious");
    EXPECT_EQ(entries(dir), (std::vector<std::string>{"folder", "keep.txt"}));
}

TEST(FileIoTest, AbandonedAndDestroyedWritersRemoveTheirTemporaryFile) {
    TempDir dir;
    dir.write("t.txt", "old");
    {
        AtomicFileWriter writer;
        ASSERT_TRUE(writer.begin(dir.u16file("t.txt")));
        EXPECT_TRUE(writer.isActive());
        EXPECT_EQ(entries(dir).size(), 2u);
    }
    EXPECT_EQ(entries(dir), std::vector<std::string>{"t.txt"});

    AtomicFileWriter writer;
    ASSERT_TRUE(writer.begin(dir.u16file("t.txt")));
    writer.abandon();
    EXPECT_FALSE(writer.isActive());
    EXPECT_FALSE(writer.commit("late"));
    EXPECT_EQ(entries(dir), std::vector<std::string>{"t.txt"});
    EXPECT_EQ(dir.read("t.txt"), "old");
}

// A full disk, simulated with a file size limit in a child process (the
// limit applies to the whole process, so the test runner stays clear of it).
TEST(FileIoTest, FullDiskLeavesTheOldFileWhole) {
    TempDir dir;
    dir.write("list.txt", "the old list");
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{100, 100};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        const bool written = writeFileAtomically(dir.u16file("list.txt"), std::string(5000, 'n'));
        ::_exit(written ? 1 : 0);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "the write claimed success on a full disk";
    EXPECT_EQ(dir.read("list.txt"), "the old list");
    EXPECT_EQ(entries(dir), std::vector<std::string>{"list.txt"});
}

} // namespace
} // namespace zelvon
