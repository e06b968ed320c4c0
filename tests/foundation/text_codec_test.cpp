#include "foundation/text_codec.h"

#include <gtest/gtest.h>

#include <random>

namespace zelvon {
namespace {

TEST(TextCodecTest, Utf8RoundTripsEveryPlane) {
    const std::u16string text = u"A\u00e9\u0800\uFFFD\uFFFF\U00010000\U0010FFFF\U0001F600z";
    const std::string bytes = toUtf8(text);
    EXPECT_EQ(bytes, "A\xC3\xA9\xE0\xA0\x80\xEF\xBF\xBD\xEF\xBF\xBF\xF0\x90\x80\x80\xF4\x8F\xBF\xBF\xF0\x9F\x98\x80z");
    std::u16string strict;
    ASSERT_TRUE(decodeUtf8Strict(bytes, strict));
    EXPECT_EQ(strict, text);
    EXPECT_EQ(fromUtf8(bytes), text);
}

TEST(TextCodecTest, LoneSurrogatesBecomeReplacementCharacters) {
    EXPECT_EQ(toUtf8(std::u16string{u'a', char16_t(0xD800), u'b'}), "a\xEF\xBF\xBD" "b");
    EXPECT_EQ(toUtf8(std::u16string{char16_t(0xDC00), char16_t(0xD800)}), "\xEF\xBF\xBD\xEF\xBF\xBD");
    EXPECT_EQ(toUtf8(std::u16string{char16_t(0xD83D)}), "\xEF\xBF\xBD"); // cut-off pair at the end
}

TEST(TextCodecTest, StrictDecodingRejectsMalformedUtf8AndLenientReplacesIt) {
    struct Case {
        const char* name;
        std::string bytes;
        std::u16string lenient;
    };
    const Case cases[] = {
        {"lone continuation", "a\x80" "b", u"a\uFFFDb"},
        {"overlong slash", "\xC0\xAF", u"\uFFFD\uFFFD"},
        {"overlong three bytes", "\xE0\x80\xAF", u"\uFFFD\uFFFD\uFFFD"},
        {"encoded surrogate", "\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD"},
        {"beyond U+10FFFF", "\xF4\x90\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD"},
        {"truncated at end", "x\xE2\x82", u"x\uFFFD\uFFFD"},
        {"truncated before ASCII", "\xE2\x82" "A", u"\uFFFD\uFFFDA"},
        {"invalid lead byte", "\xFF", u"\uFFFD"},
        {"Latin-1 text", "caf\xE9", u"caf\uFFFD"},
    };
    for (const auto& c : cases) {
        std::u16string out;
        EXPECT_FALSE(decodeUtf8Strict(c.bytes, out)) << c.name;
        EXPECT_EQ(fromUtf8(c.bytes), c.lenient) << c.name;
    }
}

TEST(TextCodecTest, Windows1252MapsAllBytes) {
    std::string all;
    for (int b = 0; b < 256; ++b)
        all += static_cast<char>(b);
    const std::u16string text = fromCp1252(all);
    ASSERT_EQ(text.size(), 256u);
    EXPECT_EQ(text[0x41], u'A');
    EXPECT_EQ(text[0x80], u'\u20AC');
    EXPECT_EQ(text[0x81], u'\u0081');
    EXPECT_EQ(text[0x8D], u'\u008D');
    EXPECT_EQ(text[0x8F], u'\u008F');
    EXPECT_EQ(text[0x90], u'\u0090');
    EXPECT_EQ(text[0x92], u'\u2019');
    EXPECT_EQ(text[0x9D], u'\u009D');
    EXPECT_EQ(text[0x9F], u'\u0178');
    EXPECT_EQ(text[0xA0], u'\u00A0');
    EXPECT_EQ(text[0xFF], u'\u00FF');

    std::string back;
    ASSERT_TRUE(toCp1252(text, back));
    EXPECT_EQ(back, all);
}

TEST(TextCodecTest, Windows1252ReportsCharactersThatDoNotFit) {
    std::string out;
    EXPECT_FALSE(toCp1252(u"a\u0080b\u4E2Dc", out)); // U+0080 is not the euro sign's byte
    EXPECT_EQ(out, "a?b?c");
    EXPECT_FALSE(toCp1252(u"\U0001F600", out));
    EXPECT_EQ(out, "??");
}

TEST(TextCodecTest, FileTextIsUtf8WhenValidElseWindows1252) {
    EXPECT_EQ(decodeFileText(""), u"");
    EXPECT_EQ(decodeFileText("plain"), u"plain");
    EXPECT_EQ(decodeFileText("caf\xC3\xA9"), u"caf\u00e9");
    EXPECT_EQ(decodeFileText("caf\xE9 \x80"), u"caf\u00e9 \u20ac");
    EXPECT_EQ(decodeFileText("\xEF\xBB\xBFname"), u"name");   // byte-order mark dropped
    EXPECT_EQ(decodeFileText("\xEF\xBB\xBF"), u"");
    EXPECT_EQ(decodeFileText("\xEF\xBB\xBF\xE9"), u"\u00ef\u00bb\u00bf\u00e9"); // not UTF-8 after all
}

TEST(TextCodecTest, FileTextIsWrittenSoThatItReadsBackUnchanged) {
    struct Case {
        const char* name;
        std::u16string text;
        std::string bytes; // empty: only the round trip is checked
    };
    const Case cases[] = {
        {"ASCII", u"abc\r\n", "abc\r\n"},
        {"Windows-1252", u"caf\u00e9 \u20ac\u2019", "caf\xE9 \x80\x92"},
        {"outside the code page", u"\u4E2D\u00e9", "\xE4\xB8\xAD\xC3\xA9"},
        {"8-bit form that looks like UTF-8", u"\u00c3\u00a9", "\xC3\x83\xC2\xA9"},
        {"8-bit form that looks like a byte-order mark", u"\u00ef\u00bb\u00bfx", ""},
        {"leading U+FEFF", u"\uFEFFx\u4E2D", ""},
        {"undefined Windows-1252 bytes", u"\u0081\u009D", "\x81\x9D"},
        {"empty", u"", ""},
    };
    for (const auto& c : cases) {
        const std::string bytes = encodeFileText(c.text);
        if (!c.bytes.empty()) {
            EXPECT_EQ(bytes, c.bytes) << c.name;
        }
        EXPECT_EQ(decodeFileText(bytes), c.text) << c.name;
    }
}

// Any text that has no lone surrogate survives encoding and decoding, in
// whichever form encodeFileText picks.
TEST(TextCodecTest, RandomTextRoundTripsThroughFileEncoding) {
    const char16_t alphabet[] = {u'a', u'\r', u'\n', u'\u00c3', u'\u00a9', u'\u00e9', u'\u20ac', u'\u0081',
                                 u'\u00ef', u'\u00bb', u'\u00bf', u'\u00c2', u'\u00e2', u'\u0080', u'\u4e2d', 0};
    std::mt19937 random(7);
    std::uniform_int_distribution<size_t> pick(0, std::size(alphabet) - 1);
    std::uniform_int_distribution<int> length(0, 12);
    for (int round = 0; round < 20000; ++round) {
        std::u16string text;
        for (int n = length(random); n > 0; --n)
            text += alphabet[pick(random)];
        ASSERT_EQ(decodeFileText(encodeFileText(text)), text) << toUtf8(text);
    }
}

} // namespace
} // namespace zelvon
