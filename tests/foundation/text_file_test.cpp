#include "foundation/text_file.h"
#include "foundation/text_codec.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace zelvon {
namespace {

using test::TempDir;

std::vector<std::u16string> readAllLines(const std::u16string& path) {
    TextFile file;
    std::vector<std::u16string> lines;
    if (!file.open(path, TextFile::Mode::Read))
        return {u"<cannot open>"};
    std::u16string line;
    while (file.readLine(line))
        lines.push_back(line);
    EXPECT_FALSE(file.readLine(line)) << "the end of the file stays the end";
    EXPECT_TRUE(file.close());
    return lines;
}

using Lines = std::vector<std::u16string>;

TEST(TextFileTest, ReadsLinesOfAnyLineEndStyle) {
    struct Case {
        const char* name;
        std::string bytes;
        Lines lines;
    };
    const Case cases[] = {
        {"CR LF, no final line end", "a\r\nb", {u"a", u"b"}},
        {"empty line in the middle", "a\n\nb\n", {u"a", u"", u"b"}},
        {"trailing blanks kept on an unterminated last line", "x  \ny \t", {u"x", u"y \t"}},
        {"trailing blanks dropped before a line feed", "y \t\r\n", {u"y"}},
        {"leading blanks kept", "  indented\n", {u"  indented"}},
        {"lone CR is no line end", "a\rb\n", {u"a\rb"}},
        {"only line feeds", "\n\n", {u"", u""}},
        {"empty file", "", {}},
        {"UTF-8", "caf\xC3\xA9\n\xE4\xB8\xAD", {u"caf\u00e9", u"\u4e2d"}},
        {"Windows-1252", "caf\xE9\n\x80", {u"caf\u00e9", u"\u20ac"}},
        {"byte-order mark", "\xEF\xBB\xBF" "first\nsecond", {u"first", u"second"}},
    };
    TempDir dir;
    for (const auto& c : cases) {
        dir.write("in.txt", c.bytes);
        EXPECT_EQ(readAllLines(dir.u16file("in.txt")), c.lines) << c.name;
    }
}

TEST(TextFileTest, OpenForReadingFailsOnMissingFilesAndFolders) {
    TempDir dir;
    TextFile file;
    EXPECT_FALSE(file.open(dir.u16file("missing.txt"), TextFile::Mode::Read));
    EXPECT_FALSE(file.isOpen());
    EXPECT_FALSE(file.open(dir.u16path(), TextFile::Mode::Read));
    std::u16string line;
    EXPECT_FALSE(file.readLine(line));
}

TEST(TextFileTest, WritesCrLfLineEndsAndNoFinalLineEndOfItsOwn) {
    struct Case {
        const char* name;
        std::vector<std::u16string> pieces;
        std::string bytes;
    };
    const Case cases[] = {
        {"line feed becomes CR LF", {u"x\ny"}, "x\r\ny"},
        {"existing CR LF not doubled", {u"a\r\nb\n"}, "a\r\nb\r\n"},
        {"lone CR kept", {u"a\rb"}, "a\rb"},
        {"CR CR LF", {u"a\r\r\n"}, "a\r\r\n"},
        {"CR LF split across two writes", {u"a\r", u"\nb"}, "a\r\nb"},
        {"Windows-1252 when everything fits", {u"caf\u00e9 \u20ac\n"}, "caf\xE9 \x80\r\n"},
        {"UTF-8 when something does not fit", {u"caf\u00e9 ", u"\u4e2d"}, "caf\xC3\xA9 \xE4\xB8\xAD"},
    };
    TempDir dir;
    for (const auto& c : cases) {
        TextFile file;
        ASSERT_TRUE(file.open(dir.u16file("out.txt"), TextFile::Mode::Write)) << c.name;
        for (const auto& piece : c.pieces)
            file.writeText(piece);
        ASSERT_TRUE(file.close()) << c.name;
        EXPECT_EQ(dir.read("out.txt"), c.bytes) << c.name;
    }
}

TEST(TextFileTest, WrittenTextReadsBackAsLines) {
    TempDir dir;
    const std::u16string text = u"name=\u00c3\u00a9 caf\u00e9\n\n  second \nlast";
    {
        TextFile file;
        ASSERT_TRUE(file.open(dir.u16file("round.txt"), TextFile::Mode::Write));
        file.writeText(text);
    } // the destructor writes the file out
    EXPECT_EQ(readAllLines(dir.u16file("round.txt")), (Lines{u"name=\u00c3\u00a9 caf\u00e9", u"", u"  second", u"last"}));
}

TEST(TextFileTest, OldFileStaysWholeUntilCloseAndEmptyWhenNothingWasWritten) {
    TempDir dir;
    dir.write("list.txt", "old\r\n");
    TextFile file;
    ASSERT_TRUE(file.open(dir.u16file("list.txt"), TextFile::Mode::Write));
    file.writeText(u"new\n");
    EXPECT_EQ(dir.read("list.txt"), "old\r\n");
    ASSERT_TRUE(file.close());
    EXPECT_EQ(dir.read("list.txt"), "new\r\n");

    ASSERT_TRUE(file.open(dir.u16file("list.txt"), TextFile::Mode::Write));
    ASSERT_TRUE(file.close());
    EXPECT_TRUE(std::filesystem::exists(dir.path() / "list.txt"));
    EXPECT_EQ(dir.read("list.txt"), "");
    EXPECT_TRUE(file.close()) << "closing a closed file does nothing";
}

TEST(TextFileTest, WriteInterruptedBeforeTheRenameLeavesThePreviousFileWhole) {
    TempDir dir;
    dir.write("productList.txt", "<vertrel>\r\n  the whole list\r\n</vertrel>\r\n");
    TextFile file;
    ASSERT_TRUE(file.open(dir.u16file("productList.txt"), TextFile::Mode::Write));
    file.writeText(u"<vertrel>\n</vertrel>\n");
    setBeforeRenameHookForTesting([](const std::string&) { return false; });
    const bool closed = file.close();
    setBeforeRenameHookForTesting(nullptr);
    EXPECT_FALSE(closed);
    EXPECT_EQ(dir.read("productList.txt"), "<vertrel>\r\n  the whole list\r\n</vertrel>\r\n");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1)
        << "the temporary file is removed";
}

TEST(TextFileTest, OpenForWritingFailsAtOnceWhenTheFolderIsMissing) {
    TempDir dir;
    TextFile file;
    EXPECT_FALSE(file.open(dir.u16file("no-such-folder/out.txt"), TextFile::Mode::Write));
    EXPECT_FALSE(file.isOpen());
    file.writeText(u"ignored");
    EXPECT_TRUE(file.close());
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "no-such-folder"));
}

TEST(TextFileTest, OpeningAnotherFileWritesOutTheFirst) {
    TempDir dir;
    dir.write("in.txt", "line\n");
    TextFile file;
    ASSERT_TRUE(file.open(dir.u16file("first.txt"), TextFile::Mode::Write));
    file.writeText(u"one\n");
    ASSERT_TRUE(file.open(dir.u16file("in.txt"), TextFile::Mode::Read));
    EXPECT_EQ(dir.read("first.txt"), "one\r\n");
    std::u16string line;
    ASSERT_TRUE(file.readLine(line));
    EXPECT_EQ(line, u"line");
}

TEST(TextFileTest, ReadAndWriteDoNotMixWithinOneOpen) {
    TempDir dir;
    dir.write("in.txt", "keep\n");
    TextFile reader;
    ASSERT_TRUE(reader.open(dir.u16file("in.txt"), TextFile::Mode::Read));
    reader.writeText(u"overwrite");
    EXPECT_TRUE(reader.close());
    EXPECT_EQ(dir.read("in.txt"), "keep\n");

    TextFile writer;
    ASSERT_TRUE(writer.open(dir.u16file("in.txt"), TextFile::Mode::Write));
    std::u16string line;
    EXPECT_FALSE(writer.readLine(line));
    writer.writeText(u"new");
    EXPECT_TRUE(writer.close());
    EXPECT_EQ(dir.read("in.txt"), "new");
}

} // namespace
} // namespace zelvon
