#include "foundation/entity_codec.h"
#include "foundation/text_codec.h"

#include <gtest/gtest.h>

#include <sstream>

namespace zelvon {
namespace {

using namespace EntityCodec;

enum class Fn { EscapeXml, EscapeMarkup, UnescapeMarkup, Decode };

struct Case {
    Fn fn;
    const char* input;
    const char* expected; // nullptr: unchanged
};

std::u16string convert(Fn fn, std::u16string_view text) {
    switch (fn) {
    case Fn::EscapeXml: return escapeXml(text);
    case Fn::EscapeMarkup: return escapeMarkup(text);
    case Fn::UnescapeMarkup: return unescapeMarkup(text);
    case Fn::Decode: return decodeEntities(text);
    }
    return {};
}

TEST(EntityCodecTest, EachFunctionOnItsCases) {
    const Case cases[] = {
        {Fn::EscapeXml, "<&'", "&lt;&amp;&#039;"},
        {Fn::EscapeXml, "a \"b\" > c", "a &quot;b&quot; &gt; c"},
        {Fn::EscapeXml, "&lt;", "&amp;lt;"}, // an existing entity is escaped, not kept
        {Fn::EscapeMarkup, "a&b<c", "a&b&lt;c"},
        {Fn::EscapeMarkup, "'\">", "&#039;&quot;&gt;"},
        {Fn::UnescapeMarkup, "&lt;&gt;&#039;&quot;", "<>'\""},
        {Fn::UnescapeMarkup, "&amp;lt;", nullptr},
        {Fn::UnescapeMarkup, "&#39; &LT; &lt", nullptr}, // only the exact four spellings
        {Fn::UnescapeMarkup, "&&lt;;", "&<;"},
        // Numeric references: decimal, modulo 65536, digits up to the first
        // other character; without any decimal digit they stay as they are.
        {Fn::Decode, "&#039;&#39;&#65;", "''A"},
        {Fn::Decode, "x&#233;y&#8364;", "x\u00e9y\u20ac"},
        {Fn::Decode, "&#65601;&#65x;&#-1;", "AA\uFFFF"},
        {Fn::Decode, "&#x27;", nullptr},
        {Fn::Decode, "&#;", nullptr},
        {Fn::Decode, "&#-;", nullptr},
        {Fn::Decode, "&#00065;", "A"},    // 8 characters: still a reference
        {Fn::Decode, "&#000065;", nullptr}, // 9 characters: too long
        // Named references: exact spelling first, then lower case.
        {Fn::Decode, "&amp;&nbsp;&sp;&bsol;", "&  \\"},
        {Fn::Decode, "&AMP;&Nbsp;&Eacute;&eacute;&EACUTE;", "& \u00c9\u00e9\u00e9"},
        {Fn::Decode, "&zorp;", nullptr},
        {Fn::Decode, "&verylongname;", nullptr},
        {Fn::Decode, "a & b", nullptr},
        {Fn::Decode, "&&&;", nullptr},
        {Fn::Decode, "&hellip;", nullptr},
        {Fn::Decode, "&nbsp", nullptr},
        {Fn::Decode, "& amp;", nullptr},
        // One level only: a decoded "&" never starts another reference.
        {Fn::Decode, "&amp;lt;", "&lt;"},
        {Fn::Decode, "&amp;amp;&amp;#65;", "&amp;&#65;"},
        {Fn::Decode, "&&amp;", "&&"},
        {Fn::Decode, "&zorp&amp;", "&zorp&"},          // no ";" within reach of the first "&"
        {Fn::Decode, "&verylong&lt;", "&verylong<"}, // the long candidate is skipped, the inner one decodes
    };
    for (const Case& c : cases) {
        const std::u16string input = u16(c.input);
        EXPECT_EQ(convert(c.fn, input), c.expected == nullptr ? input : u16(c.expected))
            << static_cast<int>(c.fn) << ": " << c.input;
    }
    EXPECT_EQ(decodeEntities(u"&#0;"), std::u16string(1, u'\0'));
}

TEST(EntityCodecTest, DecodesEveryNameOfTheTable) {
    const std::pair<const char*, std::u16string> groups[] = {
        {"amp nbsp gt lt quot apos sp excl num dollar percnt lpar rpar plus comma hyphen period sol colon semi "
         "equals quest lsqb rsqb bsol ast",
         u"& ><\"' !#$%()+,-./:;=?[]\\*"},
        {"iexcl cent pound curren yen brvbar sect uml copy ordf laquo not shy reg macr deg plusmn sup2 sup3 acute "
         "micro para middot cedil sup1 ordm raquo frac14 frac12 frac34 iquest Agrave Aacute Acirc Atilde Auml Aring "
         "AElig Ccedil Egrave Eacute Ecirc Euml Igrave Iacute Icirc Iuml ETH Ntilde Ograve Oacute Ocirc Otilde Ouml "
         "times Oslash Ugrave Uacute Ucirc Uuml Yacute THORN szlig agrave aacute acirc atilde auml aring aelig "
         "ccedil egrave eacute ecirc euml igrave iacute icirc iuml eth ntilde ograve oacute ocirc otilde ouml divide "
         "oslash ugrave uacute ucirc uuml yacute thorn yuml",
         [] {
             std::u16string codes;
             for (char16_t c = 0xA1; c <= 0xFF; ++c)
                 codes += c;
             return codes;
         }()},
    };
    size_t total = 0;
    for (const auto& [names, replacements] : groups) {
        std::istringstream words(names);
        std::string name;
        for (size_t i = 0; words >> name; ++i, ++total) {
            ASSERT_LT(i, replacements.size()) << name;
            EXPECT_EQ(decodeEntities(u16("&" + name + ";")), std::u16string(1, replacements[i])) << name;
        }
    }
    EXPECT_EQ(total, 121u);
}

} // namespace
} // namespace zelvon
