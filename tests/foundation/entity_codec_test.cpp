#include "foundation/entity_codec.h"
#include "foundation/text_codec.h"

#include <gtest/gtest.h>

#include <random>

namespace zelvon {
namespace {

using namespace EntityCodec;

struct Case {
    const char* input;
    const char* expected;
};

TEST(EntityCodecTest, EscapeXmlEscapesFiveCharactersAmpersandFirst) {
    const Case cases[] = {
        {"<&'", "&lt;&amp;&#039;"},
        {"a \"b\" > c", "a &quot;b&quot; &gt; c"},
        {"&lt;", "&amp;lt;"}, // an existing entity is escaped, not kept
        {"", ""},
        {"plain", "plain"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(escapeXml(u16(c.input)), u16(c.expected)) << c.input;
}

TEST(EntityCodecTest, MarkupPairLeavesTheAmpersandAlone) {
    const Case escapes[] = {
        {"a&b<c", "a&b&lt;c"},
        {"'\">", "&#039;&quot;&gt;"},
    };
    for (const auto& c : escapes)
        EXPECT_EQ(escapeMarkup(u16(c.input)), u16(c.expected)) << c.input;

    const Case unescapes[] = {
        {"&amp;lt;", "&amp;lt;"},
        {"&lt;&gt;&#039;&quot;", "<>'\""},
        {"&#39;", "&#39;"}, // only the exact four spellings
        {"&LT;", "&LT;"},
        {"&&lt;;", "&<;"},
        {"&lt", "&lt"},
    };
    for (const auto& c : unescapes)
        EXPECT_EQ(unescapeMarkup(u16(c.input)), u16(c.expected)) << c.input;
}

TEST(EntityCodecTest, DecodesNumericReferences) {
    const Case cases[] = {
        {"&#039;", "'"},
        {"&#39;", "'"},
        {"&#65;", "A"},
        {"x&#233;y", "x\u00e9y"},
        {"&#8364;", "\u20ac"},
        {"&#65601;", "A"},   // modulo 65536
        {"&#65x;", "A"},     // digits up to the first other character
        {"&#x27;", "&#x27;"}, // hexadecimal: not understood, left alone
        {"&#;", "&#;"},
        {"&#-;", "&#-;"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(decodeEntities(u16(c.input)), u16(c.expected)) << c.input;
    EXPECT_EQ(decodeEntities(u"&#-1;"), std::u16string(1, u'\xFFFF'));
    EXPECT_EQ(decodeEntities(u"&#0;"), std::u16string(1, u'\0'));
}

TEST(EntityCodecTest, DecodesNamedReferencesExactThenLowerCase) {
    const Case cases[] = {
        {"&amp;", "&"},
        {"&nbsp;", " "},
        {"&sp;", " "},
        {"&bsol;", "\\"},
        {"&equals;&quest;&lsqb;&rsqb;", "=?[]"},
        {"&percnt;&dollar;&hyphen;", "%$-"},
        {"&AMP;", "&"},
        {"&Nbsp;", " "},
        {"&Eacute;", "\u00c9"},
        {"&eacute;", "\u00e9"},
        {"&EACUTE;", "\u00e9"},
        {"&AElig;&aelig;", "\u00c6\u00e6"},
        {"&THORN;&thorn;&ETH;&eth;", "\u00de\u00fe\u00d0\u00f0"},
        {"&iexcl;", "\u00a1"},
        {"&shy;", "\u00ad"},
        {"&frac14;", "\u00bc"},
        {"&times;", "\u00d7"},
        {"&szlig;", "\u00df"},
        {"&divide;", "\u00f7"},
        {"&yuml;", "\u00ff"},
        {"&Yacute;", "\u00dd"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(decodeEntities(u16(c.input)), u16(c.expected)) << c.input;
}

TEST(EntityCodecTest, LeavesNonReferencesUnchanged) {
    const char* unchanged[] = {
        "&zorp;", "&verylongname;", "a & b", "&", ";", "&&&", "&hellip;", "&Ysharp;", "&nbsp", "& amp;",
    };
    for (const char* text : unchanged)
        EXPECT_EQ(decodeEntities(u16(text)), u16(text)) << text;
}

TEST(EntityCodecTest, DecodesOneLevelOnly) {
    const Case cases[] = {
        {"&amp;lt;", "&lt;"},
        {"&amp;amp;", "&amp;"},
        {"&amp;#65;", "&#65;"},
        {"&&amp;", "&&"},
        {"&zorp&amp;", "&zorp&"},      // no ";" within reach of the first "&"
        {"&verylong&lt;", "&verylong<"}, // the longer candidate is skipped, the inner one decodes
        {"&lt;&gt;&quot;", "<>\""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(decodeEntities(u16(c.input)), u16(c.expected)) << c.input;
}

TEST(EntityCodecTest, EscapeXmlThenDecodeGivesTheTextBack) {
    const std::u16string texts[] = {
        u"Tom & Jerry's <\"best\"> edition",
        u"&amp; already &lt;escaped&gt;",
        u"&#039;&#39;&nbsp;",
        u"\u00e9\u20ac & \U0001F600",
    };
    for (const auto& text : texts)
        EXPECT_EQ(decodeEntities(escapeXml(text)), text);
}

// One reference on its own, "&" through ";". Numeric ones are worked out
// here; for names the table is taken from decodeEntities, which the named
// cases above check. A name never contains "&".
std::u16string decodeSingleReference(const std::u16string& ref) {
    if (ref.find(u'#') != std::u16string::npos) {
        const std::u16string digits = ref.substr(2, ref.size() - 3);
        size_t i = digits.find_first_not_of(u" \t\n\v\f\r");
        if (i == std::u16string::npos)
            return ref;
        const bool negative = digits[i] == u'-';
        if (digits[i] == u'-' || digits[i] == u'+')
            ++i;
        if (i >= digits.size() || digits[i] < u'0' || digits[i] > u'9')
            return ref;
        long value = 0;
        for (; i < digits.size() && digits[i] >= u'0' && digits[i] <= u'9'; ++i)
            value = value * 10 + (digits[i] - u'0');
        return std::u16string(1, static_cast<char16_t>((negative ? -value : value) & 0xFFFF));
    }
    if (ref.find(u'&', 1) != std::u16string::npos)
        return ref;
    return decodeEntities(ref);
}

// The decoder as the file formats define it: rebuild the whole text at each
// replacement and restart the search one character after the reference.
// This checks the scanning, which is where a faster version can go wrong.
std::u16string referenceDecode(std::u16string text) {
    size_t a = text.find(u'&');
    while (a != std::u16string::npos) {
        const size_t s = text.find(u';', a);
        if (s != std::u16string::npos && s - a + 1 <= 8) {
            const std::u16string ref = text.substr(a, s - a + 1);
            const std::u16string decoded = decodeSingleReference(ref);
            if (decoded != ref) {
                EXPECT_EQ(decoded.size(), 1u) << toUtf8(ref);
                text = text.substr(0, a) + decoded + text.substr(s + 1);
            }
        }
        a = text.find(u'&', a + 1);
    }
    return text;
}

TEST(EntityCodecTest, DecodingMatchesTheOneAtATimeDefinitionOnRandomText) {
    const std::u16string pieces[] = {u"&", u";", u"#", u"amp", u"lt", u"AMP", u"1", u"65", u"x", u" ",
                                     u"nbsp", u"E", u"acute", u"&amp;", u"&#", u"abcdefgh", u"\u00e9", u"-"};
    std::mt19937 random(20240611);
    std::uniform_int_distribution<size_t> pick(0, std::size(pieces) - 1);
    std::uniform_int_distribution<int> length(0, 24);
    for (int round = 0; round < 20000; ++round) {
        std::u16string text;
        for (int n = length(random); n > 0; --n)
            text += pieces[pick(random)];
        ASSERT_EQ(decodeEntities(text), referenceDecode(text)) << toUtf8(text);
    }
}

} // namespace
} // namespace zelvon
