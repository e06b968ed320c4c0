// The Blowfish cipher against published vectors, the scrambled layout, and
// reading and scrambling files without ever losing the source.

#include "engine/scrambled_blowfish.h"
#include "engine/scrambled_file.h"
#include "foundation/file_io.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace zelvon {
namespace {

using ScrambledFile::BlowfishCipher;

std::string fromHex(std::string_view hex) {
    std::string bytes;
    for (size_t i = 0; i + 1 < hex.size(); i += 2)
        bytes += static_cast<char>(std::stoi(std::string(hex.substr(i, 2)), nullptr, 16));
    return bytes;
}

std::string toHex(std::string_view bytes) {
    std::string hex;
    for (unsigned char c : bytes) {
        hex += "0123456789ABCDEF"[c >> 4];
        hex += "0123456789ABCDEF"[c & 15];
    }
    return hex;
}

unsigned char* data(std::string& bytes) { return reinterpret_cast<unsigned char*>(bytes.data()); }

TEST(Blowfish, MatchesPublishedEcbVectors) {
    // Eric Young's Blowfish ECB test vectors: key, plain, cipher.
    const char* const vectors[][3] = {
        {"0000000000000000", "0000000000000000", "4EF997456198DD78"},
        {"FFFFFFFFFFFFFFFF", "FFFFFFFFFFFFFFFF", "51866FD5B85ECB8A"},
        {"3000000000000000", "1000000000000001", "7D856F9A613063F2"},
        {"1111111111111111", "1111111111111111", "2466DD878B963C9D"},
        {"0123456789ABCDEF", "1111111111111111", "61F9C3802281B096"},
        {"FEDCBA9876543210", "0123456789ABCDEF", "0ACEAB0FC6A0A28D"},
    };
    for (const auto& v : vectors) {
        const BlowfishCipher cipher(fromHex(v[0]));
        ASSERT_TRUE(cipher.isUsable()) << v[0];
        std::string block = fromHex(v[1]);
        cipher.encryptBlocks(data(block), block.size());
        EXPECT_EQ(toHex(block), v[2]) << "key " << v[0];
        cipher.decryptBlocks(data(block), block.size());
        EXPECT_EQ(toHex(block), v[1]) << "key " << v[0];
    }
}

TEST(ScrambleBytes, LayoutIsMagicBlocksAndPlainTail) {
    // Files scrambled by earlier builds must stay readable: a known text as
    // the first build scrambled it pins the fixed key.
    EXPECT_EQ(toHex(ScrambledFile::scrambleBytes("Zelvon extraction scripts")),
              "454E434D41524C4FB53AF93D95F92B5160EA9A9F5E45A42622136E0B22B80DD473");

    const std::string plain = "0123456789abc"; // one block and five bytes
    const std::string scrambled = ScrambledFile::scrambleBytes(plain);
    std::string block = plain.substr(0, 8);
    const auto key = ScrambledFile::scrambleKey();
    BlowfishCipher(std::string(key.begin(), key.end())).encryptBlocks(data(block), block.size());
    EXPECT_EQ(scrambled, "ENCMARLO" + block + "89abc");
    EXPECT_EQ(ScrambledFile::unscrambleBytes(scrambled), plain);
    EXPECT_EQ(ScrambledFile::scrambleBytes("short"), "ENCMARLOshort");
    EXPECT_EQ(ScrambledFile::scrambleBytes(""), "");

    std::string text;
    for (int length = 0; length <= 40; ++length, text += static_cast<char>('A' + length % 26))
        EXPECT_EQ(ScrambledFile::unscrambleBytes(ScrambledFile::scrambleBytes(text)), text) << length;
    EXPECT_EQ(ScrambledFile::unscrambleBytes(ScrambledFile::scrambleBytes("ENCMARLO and more")), "ENCMARLO and more");
    // Not longer than the magic, or without it: passed through.
    for (const char* bytes : {"ENCMARLO", "ENCMARL", "encmarlo lower case", ""})
        EXPECT_EQ(ScrambledFile::unscrambleBytes(bytes), bytes);
}

class ScrambledFiles : public ::testing::Test {
protected:
    void TearDown() override { setBeforeRenameHookForTesting(nullptr); }
    std::string read(const std::string& name) {
        std::string content = "stale";
        EXPECT_TRUE(ScrambledFile::read(dir.u16file(name), content)) << name;
        return content;
    }
    test::TempDir dir;
};

TEST_F(ScrambledFiles, ReadGivesPlainOrDecipheredContent) {
    const std::pair<std::string, std::string> files[] = {
        {"~~~~~~KELPO~~~~~~\r\n", "~~~~~~KELPO~~~~~~\r\n"},
        {"ENCMARLO", "ENCMARLO"},
        {ScrambledFile::scrambleBytes("0123456789abc"), "0123456789abc"},
        {"", ""},
    };
    for (const auto& [bytes, content] : files) {
        dir.write("file.txt", bytes);
        EXPECT_EQ(read("file.txt"), content);
    }
    std::string content;
    EXPECT_FALSE(ScrambledFile::read(dir.u16file("absent.txt"), content));
    EXPECT_FALSE(ScrambledFile::read(dir.u16path(), content));
}

TEST_F(ScrambledFiles, ScrambleInPlaceOrIntoAnotherFile) {
    dir.write("five.txt", "12345");
    ASSERT_TRUE(ScrambledFile::scramble(dir.u16file("five.txt"), u""));
    EXPECT_EQ(dir.read("five.txt"), "ENCMARLO12345");

    const std::string script = "~~~~~~KELPORUNTIME~~~~~~\r\n~~~~~~CUSTOM~~~~~~\r\nname\r\nbody\r\n";
    dir.write("script.txt", script);
    ASSERT_TRUE(ScrambledFile::scramble(dir.u16file("script.txt"), dir.u16file("script.enc")));
    EXPECT_EQ(dir.read("script.txt"), script);
    EXPECT_EQ(dir.read("script.enc"), ScrambledFile::scrambleBytes(script));
    EXPECT_EQ(read("script.enc"), script);

    dir.write("empty.txt", "");
    EXPECT_TRUE(ScrambledFile::scramble(dir.u16file("empty.txt"), u""));
    EXPECT_EQ(dir.read("empty.txt"), "");
}

TEST_F(ScrambledFiles, FailedScrambleLeavesTheSourceWhole) {
    dir.write("source.txt", "precious script text");
    EXPECT_FALSE(ScrambledFile::scramble(dir.u16file("absent.txt"), u""));
    EXPECT_FALSE(ScrambledFile::scramble(dir.u16file("source.txt"), dir.u16file("no-folder/out.txt")));
    EXPECT_FALSE(ScrambledFile::scramble(dir.u16file("source.txt"), dir.u16path()));
    // A write that dies just before it would replace the file.
    setBeforeRenameHookForTesting([](const std::string&) { return false; });
    EXPECT_FALSE(ScrambledFile::scramble(dir.u16file("source.txt"), u""));
    setBeforeRenameHookForTesting(nullptr);
    EXPECT_EQ(dir.read("source.txt"), "precious script text");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1); // nothing else left behind
}

} // namespace
} // namespace zelvon
