// The Blowfish cipher against published vectors, the scrambled layout, and
// reading and scrambling files without ever losing the source.

#include "engine/scrambled_blowfish.h"
#include "engine/scrambled_file.h"
#include "foundation/file_io.h"
#include "foundation/text_codec.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace zelvon {
namespace {

using ScrambledFile::BlowfishCipher;

// "Zelvon extraction scripts" scrambled with the fixed key.
constexpr std::string_view kPinnedScramble = "454E434D41524C4FB53AF93D95F92B5160EA9A9F5E45A42622136E0B22B80DD473";

std::string fromHex(std::string_view hex) {
    std::string bytes;
    for (size_t i = 0; i + 1 < hex.size(); i += 2)
        bytes += static_cast<char>(std::stoi(std::string(hex.substr(i, 2)), nullptr, 16));
    return bytes;
}

std::string toHex(std::string_view bytes) {
    static const char digits[] = "0123456789ABCDEF";
    std::string hex;
    for (unsigned char c : bytes) {
        hex += digits[c >> 4];
        hex += digits[c & 15];
    }
    return hex;
}

std::string keyBytes() {
    const auto key = ScrambledFile::scrambleKey();
    return std::string(reinterpret_cast<const char*>(key.data()), key.size());
}

TEST(Blowfish, MatchesPublishedEcbVectors) {
    // Eric Young's Blowfish ECB test vectors: key, plain, cipher.
    const struct {
        const char* key;
        const char* plain;
        const char* cipher;
    } vectors[] = {
        {"0000000000000000", "0000000000000000", "4EF997456198DD78"},
        {"FFFFFFFFFFFFFFFF", "FFFFFFFFFFFFFFFF", "51866FD5B85ECB8A"},
        {"3000000000000000", "1000000000000001", "7D856F9A613063F2"},
        {"1111111111111111", "1111111111111111", "2466DD878B963C9D"},
        {"0123456789ABCDEF", "1111111111111111", "61F9C3802281B096"},
        {"FEDCBA9876543210", "0123456789ABCDEF", "0ACEAB0FC6A0A28D"},
    };
    for (const auto& v : vectors) {
        const BlowfishCipher cipher(fromHex(v.key));
        ASSERT_TRUE(cipher.isUsable()) << v.key;
        std::string block = fromHex(v.plain);
        cipher.encryptBlocks(reinterpret_cast<unsigned char*>(block.data()), block.size());
        EXPECT_EQ(toHex(block), v.cipher) << "key " << v.key;
        cipher.decryptBlocks(reinterpret_cast<unsigned char*>(block.data()), block.size());
        EXPECT_EQ(toHex(block), v.plain) << "key " << v.key;
    }
}

TEST(Blowfish, FixedKeyIsUsableAndStable) {
    const BlowfishCipher cipher(keyBytes());
    EXPECT_TRUE(cipher.isUsable());
    EXPECT_FALSE(cipher.isWeak());
    EXPECT_EQ(keyBytes(), keyBytes());
    EXPECT_FALSE(BlowfishCipher(std::string(7, 'k')).isUsable());
    // Files scrambled by earlier builds must stay readable: this is the
    // scrambled layout of a known text as the first build wrote it.
    EXPECT_EQ(toHex(ScrambledFile::scrambleBytes("Zelvon extraction scripts")), toHex(fromHex(kPinnedScramble)));
}

TEST(ScrambleBytes, LayoutIsMagicBlocksAndPlainTail) {
    const std::string plain = "0123456789abc"; // one block and five bytes
    const std::string scrambled = ScrambledFile::scrambleBytes(plain);
    ASSERT_EQ(scrambled.size(), 8u + 13u);
    EXPECT_EQ(scrambled.substr(0, 8), "ENCMARLO");
    std::string block = plain.substr(0, 8);
    BlowfishCipher(keyBytes()).encryptBlocks(reinterpret_cast<unsigned char*>(block.data()), block.size());
    EXPECT_EQ(scrambled.substr(8, 8), block);
    EXPECT_EQ(scrambled.substr(16), "89abc");
    EXPECT_EQ(ScrambledFile::unscrambleBytes(scrambled), plain);

    // Short content is not enciphered at all.
    EXPECT_EQ(ScrambledFile::scrambleBytes("short"), "ENCMARLOshort");
    EXPECT_EQ(ScrambledFile::scrambleBytes(""), "");
}

TEST(ScrambleBytes, RoundTripsEveryLength) {
    std::string plain;
    for (int length = 0; length <= 40; ++length) {
        EXPECT_EQ(ScrambledFile::unscrambleBytes(ScrambledFile::scrambleBytes(plain)), plain) << length;
        plain += static_cast<char>('A' + length % 26);
    }
    // Plain text that happens to begin with the magic survives too.
    const std::string tricky = "ENCMARLO and more";
    EXPECT_EQ(ScrambledFile::unscrambleBytes(ScrambledFile::scrambleBytes(tricky)), tricky);
}

TEST(ScrambleBytes, WhatIsNotScrambledPassesThrough) {
    for (const std::string& bytes : {std::string("ENCMARLO"), std::string("ENCMARL"), std::string("plain text file"),
                                    std::string("encmarlo lower case"), std::string("")}) {
        EXPECT_EQ(ScrambledFile::unscrambleBytes(bytes), bytes) << bytes;
    }
}

class ScrambledFiles : public ::testing::Test {
protected:
    void TearDown() override { setBeforeRenameHookForTesting(nullptr); }
    test::TempDir dir;
};

TEST_F(ScrambledFiles, ReadGivesPlainOrDecipheredContent) {
    std::string content = "stale";
    dir.write("plain.txt", "~~~~~~KELPO~~~~~~\r\n");
    ASSERT_TRUE(ScrambledFile::read(dir.u16file("plain.txt"), content));
    EXPECT_EQ(content, "~~~~~~KELPO~~~~~~\r\n");

    dir.write("magic-only.txt", "ENCMARLO");
    ASSERT_TRUE(ScrambledFile::read(dir.u16file("magic-only.txt"), content));
    EXPECT_EQ(content, "ENCMARLO");

    dir.write("scrambled.txt", ScrambledFile::scrambleBytes("0123456789abc"));
    ASSERT_TRUE(ScrambledFile::read(dir.u16file("scrambled.txt"), content));
    EXPECT_EQ(content, "0123456789abc");

    dir.write("empty.txt", "");
    ASSERT_TRUE(ScrambledFile::read(dir.u16file("empty.txt"), content));
    EXPECT_EQ(content, "");

    EXPECT_FALSE(ScrambledFile::read(dir.u16file("absent.txt"), content));
    EXPECT_FALSE(ScrambledFile::read(dir.u16path(), content));
}

TEST_F(ScrambledFiles, ScrambleInPlaceAndIntoAnotherFile) {
    dir.write("five.txt", "12345");
    ASSERT_TRUE(ScrambledFile::scramble(dir.u16file("five.txt"), u""));
    EXPECT_EQ(dir.read("five.txt"), "ENCMARLO12345");

    const std::string script = "~~~~~~KELPORUNTIME~~~~~~\r\n~~~~~~CUSTOM~~~~~~\r\nname\r\nbody\r\n";
    dir.write("script.txt", script);
    ASSERT_TRUE(ScrambledFile::scramble(dir.u16file("script.txt"), dir.u16file("script.enc")));
    EXPECT_EQ(dir.read("script.txt"), script);
    EXPECT_NE(dir.read("script.enc").find("ENCMARLO"), std::string::npos);
    EXPECT_EQ(dir.read("script.enc").find("KELPO"), std::string::npos);

    // Reading a scrambled file and scrambling the result gives the same bytes.
    std::string content;
    ASSERT_TRUE(ScrambledFile::read(dir.u16file("script.enc"), content));
    EXPECT_EQ(content, script);
    EXPECT_EQ(ScrambledFile::scrambleBytes(content), dir.read("script.enc"));

    dir.write("empty.txt", "");
    EXPECT_TRUE(ScrambledFile::scramble(dir.u16file("empty.txt"), u""));
    EXPECT_EQ(dir.read("empty.txt"), "");
}

TEST_F(ScrambledFiles, FailedScrambleLeavesTheSourceWhole) {
    dir.write("source.txt", "precious script text");
    EXPECT_FALSE(ScrambledFile::scramble(dir.u16file("absent.txt"), u""));
    EXPECT_FALSE(std::filesystem::exists(dir.file("absent.txt")));
    EXPECT_FALSE(ScrambledFile::scramble(dir.u16file("source.txt"), dir.u16file("no-folder/out.txt")));
    EXPECT_FALSE(ScrambledFile::scramble(dir.u16file("source.txt"), dir.u16path()));

    // A write that dies just before it would replace the file, as a full
    // disk or a crash would.
    setBeforeRenameHookForTesting([](const std::string&) { return false; });
    EXPECT_FALSE(ScrambledFile::scramble(dir.u16file("source.txt"), u""));
    setBeforeRenameHookForTesting(nullptr);
    EXPECT_EQ(dir.read("source.txt"), "precious script text");
    size_t files = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(dir.path()))
        ++files;
    EXPECT_EQ(files, 1u); // no temporary file left behind
}

} // namespace
} // namespace zelvon
