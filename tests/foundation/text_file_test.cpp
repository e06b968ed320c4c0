// TextFile and the file primitives under it: whole-file reads and the
// temporary-file-and-rename replacement that never leaves a damaged file.

#include "foundation/file_io.h"
#include "foundation/text_codec.h"
#include "foundation/text_file.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>

namespace zelvon {
namespace {

namespace fs = std::filesystem;
using Lines = std::vector<std::u16string>;

class TextFileTest : public ::testing::Test {
protected:
    Lines readLines(const std::string& name) {
        TextFile file;
        if (!file.open(dir.u16file(name), TextFile::Mode::Read))
            return {u"<cannot open>"};
        Lines lines;
        std::u16string line;
        while (file.readLine(line))
            lines.push_back(line);
        EXPECT_FALSE(file.readLine(line)) << "the end of the file stays the end";
        EXPECT_TRUE(file.close());
        return lines;
    }
    // The names in the folder: a leftover temporary file shows up here.
    std::vector<std::string> entries() const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(dir.path()))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }
    // Lets every commit fail right before its rename, as a crash would.
    struct CrashBeforeRename {
        CrashBeforeRename() { setBeforeRenameHookForTesting([](const std::string&) { return false; }); }
        ~CrashBeforeRename() { setBeforeRenameHookForTesting(nullptr); }
    };

    test::TempDir dir;
};

TEST_F(TextFileTest, ReadsLinesOfAnyLineEndStyleAndEncoding) {
    const std::pair<std::string, Lines> cases[] = {
        {"a\r\nb", {u"a", u"b"}},
        {"a\n\nb\n", {u"a", u"", u"b"}},
        {"x  \ny \t", {u"x", u"y \t"}}, // trailing blanks go only before a line feed
        {"  indented \t\r\n", {u"  indented"}},
        {"a\rb\n", {u"a\rb"}}, // a lone CR ends no line
        {"\n\n", {u"", u""}},
        {"", {}},
        {"caf\xC3\xA9\n\xE4\xB8\xAD", {u"caf\u00e9", u"\u4e2d"}},
        {"caf\xE9\n\x80", {u"caf\u00e9", u"\u20ac"}},
        {"\xEF\xBB\xBF" "first\nsecond", {u"first", u"second"}},
    };
    for (const auto& [bytes, lines] : cases) {
        dir.write("in.txt", bytes);
        EXPECT_EQ(readLines("in.txt"), lines) << bytes;
    }
}

TEST_F(TextFileTest, WritesCrLfLineEndsInWindows1252OrElseUtf8) {
    const std::pair<Lines, std::string> cases[] = {
        {{u"x\ny"}, "x\r\ny"},
        {{u"a\r\nb\n"}, "a\r\nb\r\n"},
        {{u"a\rb\r\r\n"}, "a\rb\r\r\n"},
        {{u"a\r", u"\nb"}, "a\r\nb"}, // CR LF split across two writes
        {{u"caf\u00e9 \u20ac\n"}, "caf\xE9 \x80\r\n"},
        {{u"caf\u00e9 ", u"\u4e2d"}, "caf\xC3\xA9 \xE4\xB8\xAD"},
        {{u"\n\nx\n"}, "\r\n\r\nx\r\n"},
        // 8-bit bytes that would read back as UTF-8 are written as UTF-8;
        // 8-bit bytes that are no UTF-8 stay 8-bit, line ends included.
        {{u"\u00c3\u00a9\n"}, "\xC3\x83\xC2\xA9\r\n"},
        {{u"\u00c3\n\u00a9"}, "\xC3\r\n\xA9"},
        {{u"\u00ef\u00bb\u00bfx\n"}, "\xC3\xAF\xC2\xBB\xC2\xBFx\r\n"},
        {{u"\ufeffx\n"}, "\xEF\xBB\xBF\xEF\xBB\xBFx\r\n"},
    };
    for (const auto& [pieces, bytes] : cases) {
        // Written piece by piece, and as one text handed over whole.
        for (const bool whole : {false, true}) {
            TextFile file;
            ASSERT_TRUE(file.open(dir.u16file("out.txt"), TextFile::Mode::Write));
            std::u16string all;
            for (const auto& piece : pieces) {
                all += piece;
                if (!whole)
                    file.writeText(piece);
            }
            if (whole)
                file.takeText(std::move(all));
            ASSERT_TRUE(file.close());
            EXPECT_EQ(dir.read("out.txt"), bytes) << bytes;
        }
        // What is written reads back as the text (line ends as CR LF).
        std::u16string text;
        for (const auto& piece : pieces)
            text += piece;
        std::u16string crlf;
        for (size_t i = 0; i < text.size(); ++i) {
            if (text[i] == u'\n' && (i == 0 || text[i - 1] != u'\r'))
                crlf += u'\r';
            crlf += text[i];
        }
        EXPECT_EQ(decodeFileText(bytes), crlf) << bytes;
    }
}

TEST_F(TextFileTest, OldFileStaysWholeUntilCloseAndEmptyWhenNothingWasWritten) {
    dir.write("list.txt", "old\r\n");
    TextFile file;
    ASSERT_TRUE(file.open(dir.u16file("list.txt"), TextFile::Mode::Write));
    file.writeText(u"new\n");
    std::u16string line;
    EXPECT_FALSE(file.readLine(line)) << "a file is either read or written";
    EXPECT_EQ(dir.read("list.txt"), "old\r\n");
    ASSERT_TRUE(file.close());
    EXPECT_EQ(dir.read("list.txt"), "new\r\n");

    ASSERT_TRUE(file.open(dir.u16file("list.txt"), TextFile::Mode::Write));
    ASSERT_TRUE(file.close());
    EXPECT_EQ(entries(), std::vector<std::string>{"list.txt"});
    EXPECT_EQ(dir.read("list.txt"), "");

    // Writing to a file opened for reading changes nothing.
    dir.write("in.txt", "keep\n");
    ASSERT_TRUE(file.open(dir.u16file("in.txt"), TextFile::Mode::Read));
    file.writeText(u"overwrite");
    EXPECT_TRUE(file.close());
    EXPECT_EQ(dir.read("in.txt"), "keep\n");
}

TEST_F(TextFileTest, OpeningAgainOrDestroyingWritesOutTheFile) {
    dir.write("in.txt", "line\n");
    TextFile file;
    ASSERT_TRUE(file.open(dir.u16file("first.txt"), TextFile::Mode::Write));
    file.writeText(u"one\n");
    ASSERT_TRUE(file.open(dir.u16file("in.txt"), TextFile::Mode::Read));
    EXPECT_EQ(dir.read("first.txt"), "one\r\n");
    {
        TextFile second;
        ASSERT_TRUE(second.open(dir.u16file("second.txt"), TextFile::Mode::Write));
        second.writeText(u"caf\u00e9\n\n  x \nlast");
    }
    EXPECT_EQ(readLines("second.txt"), (Lines{u"caf\u00e9", u"", u"  x", u"last"}));
}

TEST_F(TextFileTest, FailuresLeaveThePreviousFileWhole) {
    const std::string list = "<vertrel>\r\n  the whole list\r\n</vertrel>\r\n";
    dir.write("productList.txt", list);
    fs::create_directory(dir.path() / "folder");
    TextFile file;
    EXPECT_FALSE(file.open(dir.u16file("missing.txt"), TextFile::Mode::Read));
    EXPECT_FALSE(file.open(dir.u16file("folder"), TextFile::Mode::Read));
    EXPECT_FALSE(file.open(dir.u16file("no-such-folder/out.txt"), TextFile::Mode::Write));
    EXPECT_FALSE(file.isOpen());
    EXPECT_FALSE(writeFileAtomically(dir.u16file("folder"), "data"));

    ASSERT_TRUE(file.open(dir.u16file("productList.txt"), TextFile::Mode::Write));
    file.writeText(u"<vertrel>\n</vertrel>\n");
    {
        CrashBeforeRename crash;
        EXPECT_FALSE(file.close());
        EXPECT_FALSE(writeFileAtomically(dir.u16file("productList.txt"), "half"));
    }
    EXPECT_EQ(dir.read("productList.txt"), list);
    EXPECT_TRUE(fs::is_directory(dir.path() / "folder"));
    EXPECT_EQ(entries(), (std::vector<std::string>{"folder", "productList.txt"}));

    AtomicFileWriter writer; // abandoned, then destroyed
    ASSERT_TRUE(writer.begin(dir.u16file("productList.txt")));
    EXPECT_EQ(entries().size(), 3u);
    writer.abandon();
    EXPECT_FALSE(writer.commit("late"));
    EXPECT_EQ(entries().size(), 2u);
    EXPECT_EQ(dir.read("productList.txt"), list);
}

// A full disk, simulated with a file size limit in a child process (the
// limit applies to the whole process, so the test runner stays clear of it).
TEST_F(TextFileTest, FullDiskLeavesTheOldFileWhole) {
    dir.write("list.txt", "the old list");
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{100, 100};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        TextFile file;
        const bool opened = file.open(dir.u16file("list.txt"), TextFile::Mode::Write);
        file.writeText(std::u16string(5000, u'n'));
        ::_exit(opened && !file.close() ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "the write claimed success on a full disk";
    EXPECT_EQ(dir.read("list.txt"), "the old list");
    EXPECT_EQ(entries(), std::vector<std::string>{"list.txt"});
}

TEST_F(TextFileTest, ReplacementKeepsPermissionsAndSymbolicLinks) {
    dir.write("real/settings.conf", "old");
    ASSERT_EQ(::chmod(dir.file("real/settings.conf").c_str(), 0600), 0);
    fs::create_symlink(dir.path() / "real/settings.conf", dir.path() / "link.conf");
    ASSERT_TRUE(writeFileAtomically(dir.u16file("link.conf"), std::string("n\0w", 3)));
    EXPECT_TRUE(fs::is_symlink(dir.path() / "link.conf"));
    EXPECT_EQ(dir.read("real/settings.conf"), std::string("n\0w", 3));
    struct stat st {};
    ASSERT_EQ(::stat(dir.file("real/settings.conf").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
}

// A page is read and decoded in pieces of a megabyte: the result must be
// what decoding the whole bytes (cut at the first zero) gives, also when a
// character, the byte-order mark or a bad sequence straddles a piece's end.
TEST_F(TextFileTest, PiecewiseReadingDecodesAsTheWholeBytesWould) {
    const size_t piece = size_t{1} << 20;
    const auto padded = [&](size_t before, const std::string& tail) { return std::string(before, 'a') + tail; };
    const std::string cases[] = {
        "", "abc", "\xEF\xBB\xBF", "\xEF\xBB", "\xEF\xBB\xBF" "caf\xC3\xA9", "\xEF\xBB\xBF" "caf\xE9",
        "caf\xE9", "caf\xC3\xA9 \xE4\xB8\xAD", std::string("ab\0\xE9", 4), std::string("\0abc", 4), "ab\xC3",
        "\xC3", "\xF0\x9F\x98\x80", "\xC0\xAF", "\xED\xA0\x80",
        padded(piece - 1, "\xC3\xA9 after"),        // two bytes across the cut
        padded(piece - 2, "\xF0\x9F\x98\x80 z"),  // four bytes across the cut
        padded(piece - 1, "\xF0\x9F\x98\x80"),
        padded(piece - 3, "\xF0\x9F\x98\x80"),
        padded(piece - 1, "\xC3x"),                // a bad sequence across the cut
        padded(piece - 1, "\xC3"),                 // cut off at the very end
        padded(piece, "\xE9"),                     // 8-bit just after the cut
        padded(piece - 1, std::string("\xC3\0\xA9", 3)),
        padded(2 * piece + 5, "\xE2\x82\xAC"),
    };
    for (const std::string& bytes : cases) {
        SCOPED_TRACE(bytes.size() > 40 ? std::to_string(bytes.size()) + " bytes" : bytes);
        dir.write("page.htm", bytes);
        std::u16string text;
        ASSERT_TRUE(readFileTextUntilZero(dir.u16file("page.htm"), text));
        EXPECT_TRUE(text == decodeFileText(std::string_view(bytes).substr(0, bytes.find('\0'))));
    }
    std::u16string text;
    EXPECT_FALSE(readFileTextUntilZero(dir.u16file("missing.htm"), text));
    std::filesystem::create_directory(dir.path() / "folder.htm");
    EXPECT_FALSE(readFileTextUntilZero(dir.u16file("folder.htm"), text));
}

TEST_F(TextFileTest, ReadFileBytesReadsRegularFilesOnly) {
    std::string big(200000, 'x');
    big[12345] = '\0';
    dir.write("big.bin", big);
    std::string bytes;
    ASSERT_TRUE(readFileBytes(dir.u16file("big.bin"), bytes));
    EXPECT_EQ(bytes, big);
    EXPECT_FALSE(readFileBytes(dir.u16path(), bytes));
    EXPECT_FALSE(readFileBytes(u"", bytes));
    // A NUL would cut the path short and name "big.bin".
    EXPECT_FALSE(readFileBytes(dir.u16file("big.bin") + std::u16string(1, u'\0') + u"x", bytes));
    EXPECT_FALSE(fileExists(dir.u16file("big.bin") + std::u16string(1, u'\0') + u"x"));
    // A named pipe with no writer must not block the reader.
    ASSERT_EQ(::mkfifo(dir.file("pipe").c_str(), 0600), 0);
    EXPECT_FALSE(readFileBytes(dir.u16file("pipe"), bytes));
}

} // namespace
} // namespace zelvon
