#include "foundation/text_codec.h"

#include <gtest/gtest.h>

#include <random>

namespace zelvon {
namespace {

TEST(TextCodecTest, Utf8RoundTripsEveryPlaneAndReplacesLoneSurrogates) {
    const std::u16string text = u"A\u00e9\u0800\uFFFF\U00010000\U0010FFFF";
    const std::string bytes = "A\xC3\xA9\xE0\xA0\x80\xEF\xBF\xBF\xF0\x90\x80\x80\xF4\x8F\xBF\xBF";
    EXPECT_EQ(toUtf8(text), bytes);
    std::u16string strict;
    ASSERT_TRUE(decodeUtf8Strict(bytes, strict));
    EXPECT_EQ(strict, text);
    EXPECT_EQ(fromUtf8(bytes), text);
    EXPECT_EQ(toUtf8(std::u16string{u'a', char16_t(0xD800), u'b', char16_t(0xDC00), char16_t(0xD83D)}),
              "a\xEF\xBF\xBD" "b\xEF\xBF\xBD\xEF\xBF\xBD");
}

TEST(TextCodecTest, StrictDecodingRejectsMalformedUtf8AndLenientReplacesIt) {
    const std::pair<std::string, std::u16string> cases[] = {
        {"a\x80" "b", u"a\uFFFDb"},                        // lone continuation byte
        {"\xC0\xAF", u"\uFFFD\uFFFD"},                     // overlong
        {"\xE0\x80\xAF", u"\uFFFD\uFFFD\uFFFD"},           // overlong, three bytes
        {"\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD"},           // encoded surrogate
        {"\xF4\x90\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD"}, // beyond U+10FFFF
        {"x\xE2\x82", u"x\uFFFD\uFFFD"},                   // cut off at the end
        {"\xE2\x82" "A", u"\uFFFD\uFFFDA"},                // cut off before ASCII
        {"caf\xE9\xFF", u"caf\uFFFD\uFFFD"},               // Latin-1 text, invalid lead byte
    };
    for (const auto& [bytes, lenient] : cases) {
        std::u16string out;
        EXPECT_FALSE(decodeUtf8Strict(bytes, out)) << bytes;
        EXPECT_EQ(fromUtf8(bytes), lenient) << bytes;
    }
}

TEST(TextCodecTest, Windows1252MapsAllBytesBothWays) {
    std::string all;
    for (int b = 0; b < 256; ++b)
        all += static_cast<char>(b);
    const std::u16string text = fromCp1252(all);
    ASSERT_EQ(text.size(), 256u);
    const std::pair<int, char16_t> samples[] = {{0x41, u'A'},      {0x80, u'\u20AC'}, {0x81, u'\u0081'},
                                                {0x8D, u'\u008D'}, {0x8F, u'\u008F'}, {0x90, u'\u0090'},
                                                {0x92, u'\u2019'}, {0x9D, u'\u009D'}, {0x9F, u'\u0178'},
                                                {0xA0, u'\u00A0'}, {0xFF, u'\u00FF'}};
    for (const auto& [byte, character] : samples)
        EXPECT_EQ(text[static_cast<size_t>(byte)], character) << byte;
    std::string back;
    ASSERT_TRUE(toCp1252(text, back));
    EXPECT_EQ(back, all);

    EXPECT_FALSE(toCp1252(u"a\u0080b\u4E2Dc\U0001F600", back)); // U+0080 is not the euro sign's byte
    EXPECT_EQ(back, "a?b?c??");
}

TEST(TextCodecTest, FileTextIsReadAsUtf8WhenValidElseWindows1252) {
    const std::pair<std::string, std::u16string> cases[] = {
        {"", u""},
        {"caf\xC3\xA9", u"caf\u00e9"},
        {"caf\xE9 \x80", u"caf\u00e9 \u20ac"},
        {"\xEF\xBB\xBFname", u"name"}, // the byte-order mark is no part of the text
        {"\xEF\xBB\xBF", u""},
        {"\xEF\xBB\xBF\xE9", u"\u00ef\u00bb\u00bf\u00e9"}, // not UTF-8 after all
    };
    for (const auto& [bytes, text] : cases)
        EXPECT_EQ(decodeFileText(bytes), text) << bytes;
}

TEST(TextCodecTest, FileTextIsWrittenSoThatItReadsBackUnchanged) {
    const std::pair<std::u16string, std::string> cases[] = { // empty bytes: only the round trip is checked
        {u"abc\r\n", "abc\r\n"},
        {u"caf\u00e9 \u20ac\u2019\u0081\u009D", "caf\xE9 \x80\x92\x81\x9D"},
        {u"\u4E2D\u00e9", "\xE4\xB8\xAD\xC3\xA9"},       // outside the code page: all of it in UTF-8
        {u"\u00c3\u00a9", "\xC3\x83\xC2\xA9"},           // the 8-bit form would read back as UTF-8
        {u"\u00ef\u00bb\u00bfx", ""},                    // the 8-bit form looks like a byte-order mark
        {u"\uFEFFx\u4E2D", ""},
    };
    for (const auto& [text, bytes] : cases) {
        const std::string written = encodeFileText(text);
        if (!bytes.empty()) {
            EXPECT_EQ(written, bytes) << toUtf8(text);
        }
        EXPECT_EQ(decodeFileText(written), text) << toUtf8(text);
    }

    const char16_t alphabet[] = {u'a',      u'\r',     u'\n',     u'\u00c3', u'\u00a9', u'\u00e9', u'\u20ac', u'\u0081',
                                 u'\u00ef', u'\u00bb', u'\u00bf', u'\u00c2', u'\u00e2', u'\u0080', u'\u4e2d', 0};
    std::mt19937 random(7);
    for (int round = 0; round < 5000; ++round) {
        std::u16string text;
        for (auto n = random() % 13; n > 0; --n)
            text += alphabet[random() % std::size(alphabet)];
        ASSERT_EQ(decodeFileText(encodeFileText(text)), text) << toUtf8(text);
    }
}

} // namespace
} // namespace zelvon
