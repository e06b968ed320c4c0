// Random and mutated input for everything that reads outside data: both
// markup readers, the entity decoder, the UTF-8 decoders and line reading.
// Beyond not crashing or hanging (the sanitizer build catches stray reads),
// each round checks the result against a plain reference or a property
// that holds for any input. Seeds are fixed so a failure repeats.

#include "foundation/entity_codec.h"
#include "foundation/script_xml_document.h"
#include "foundation/text_codec.h"
#include "foundation/text_file.h"
#include "foundation/xml_document.h"
#include "foundation/xml_markup_rules.h"
#include "foundation/xml_tag_text.h"
#include "support/markup_reference.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <random>

namespace zelvon {
namespace {

constexpr size_t npos = std::u16string_view::npos;

using test::describe;
using test::referenceDecode;
using test::referenceParse;

// Random pieces, or a seed with a few stretches cut, doubled or replaced.
template <class Text, size_t Seeds, size_t Pieces>
Text randomInput(std::mt19937& rng, int round, const Text (&seeds)[Seeds], const Text (&pieces)[Pieces]) {
    Text text;
    if (round % 2 == 0) {
        for (auto n = rng() % 40; n > 0; --n)
            text += pieces[rng() % Pieces];
        return text;
    }
    text = seeds[rng() % Seeds];
    for (auto edits = 1 + rng() % 6; edits > 0; --edits) {
        const size_t at = rng() % (text.size() + 1);
        const size_t length = rng() % 12;
        switch (rng() % 3) {
        case 0: text.erase(at, length); break;
        case 1: text.insert(at, text.substr(at, length)); break;
        default: text.insert(at, pieces[rng() % Pieces]); break;
        }
    }
    return text;
}

const std::u16string kMarkupPieces[] = {
    u"<", u">", u"/", u"</", u"/>", u"<!--", u"-->", u"<![CDATA[", u"]]>", u"<?xml ?>", u"<!DOCTYPE", u"<a>", u"</a>",
    u"<b/>", u"<a", u"</b>", u"='", u"=\"", u"'", u"\"", u" ", u"\t", u"\r\n", u"k", u"a", u"x", u"!", u"-", u"é",
    u"\uFEFF", u"<e>", u"</e>", u"<item action='[MoveTo]'/>"};

const std::u16string kMarkupSeeds[] = {
    u"<?xml version=\"1.0\"?>\r\n<vertrel version=\"1.0\">\r\n  <product productID=\"12\" name=\"A &amp; B\"\r\n"
    u"   isNew=\"1\"/>\r\n  <!-- note -->\r\n  <product productID=\"13\">text</product>\r\n</vertrel>\r\n",
    u"<e>\n<source url='[URL]'/>\n<item action='[Extract]' start='a'>1 > 0</item>\n</e>",
    u"<a><![CDATA[<b/>]]></a><c><d>e</d><f/><g h='i'></c>",
};

TEST(FuzzTest, BothMarkupReadersMatchTheReferenceScan) {
    std::mt19937 rng(20240611);
    for (int round = 0; round < 3000 && !::testing::Test::HasFatalFailure(); ++round) {
        const std::u16string text = randomInput(rng, round, kMarkupSeeds, kMarkupPieces);
        XmlDocument xml;
        ScriptXmlDocument script;
        std::unique_ptr<XmlNode> expectedXml, expectedScript;
        ASSERT_EQ(xml.parse(text), referenceParse(text, kXmlRules, expectedXml)) << toUtf8(text);
        ASSERT_EQ(script.parse(text), referenceParse(text, kScriptRules, expectedScript)) << toUtf8(text);
        ASSERT_EQ(describe(xml.root()), describe(expectedXml.get())) << toUtf8(text);
        ASSERT_EQ(describe(script.root()), describe(expectedScript.get())) << toUtf8(text);
        for (const XmlTree* doc : {static_cast<const XmlTree*>(&xml), static_cast<const XmlTree*>(&script)})
            ASSERT_TRUE(doc->root() == nullptr || doc->root()->nextSibling == nullptr);
    }
}

const std::string kByteSeeds[] = {
    "<p>Caf&eacute; &amp; Bar &#8364;5 &lt;b&gt;&nbsp;&AMP;&#x27;&verylong;&#00065;&</p>",
    "caf\xC3\xA9 \xE4\xB8\xAD\xE6\x96\x87 \xF0\x9F\x98\x80 \xEF\xBB\xBF\r\n  x \t\n\n",
    "caf\xE9 \x80\x81\x9D\xFF\r\r\n&amp;lt;&#;&&#38;",
};
const std::string kBytePieces[] = {"\x80", "\xBF", "\xC3", "\xE2\x82", "\xED\xA0", "\xF0\x9F", "\xF4\x90", "\xFF",
                                   "\xEF\xBB\xBF", "&", ";", "#", "&#", "amp", "lt", "Eacute", "65", "-", " ",
                                   "\t", "\r", "\n", "x", std::string(1, '\0')};

TEST(FuzzTest, DecodersKeepTheirPromisesOnAnyBytes) {
    std::mt19937 rng(2);
    for (int round = 0; round < 10000 && !::testing::Test::HasFatalFailure(); ++round) {
        const std::string bytes = randomInput(rng, round, kByteSeeds, kBytePieces);
        const std::u16string lenient = fromUtf8(bytes);
        std::u16string strict;
        if (decodeUtf8Strict(bytes, strict)) {
            ASSERT_EQ(strict, lenient);
            ASSERT_EQ(toUtf8(strict), bytes);
        } else {
            ASSERT_NE(lenient.find(u'\uFFFD'), npos);
        }
        ASSERT_TRUE(decodeUtf8Strict(toUtf8(lenient), strict) && strict == lenient) << "well-formed UTF-16";

        const std::u16string text = decodeFileText(bytes);
        ASSERT_EQ(EntityCodec::decodeEntities(text), referenceDecode(text)) << toUtf8(text);
        ASSERT_EQ(EntityCodec::decodeEntities(EntityCodec::escapeXml(text)), text);
        ASSERT_EQ(EntityCodec::escapeMarkup(text).find_first_of(u"<>'\""), npos);
    }
}

TEST(FuzzTest, LineReadingAccountsForEveryLineFeed) {
    test::TempDir dir;
    std::mt19937 rng(3);
    for (int round = 0; round < 200 && !::testing::Test::HasFatalFailure(); ++round) {
        const std::string bytes = randomInput(rng, round, kByteSeeds, kBytePieces);
        dir.write("fuzz.txt", bytes);
        const std::u16string text = decodeFileText(bytes);
        TextFile file;
        ASSERT_TRUE(file.open(dir.u16file("fuzz.txt"), TextFile::Mode::Read));
        std::u16string line, joined;
        size_t lines = 0;
        while (file.readLine(line) && ++lines <= text.size())
            joined += line + u"\n";
        // Lines are the text between line feeds, less trailing white space
        // where a line feed follows; a final line feed adds no line.
        std::u16string expected;
        for (size_t start = 0; start < text.size();) {
            const size_t feed = std::min(text.find(u'\n', start), text.size());
            std::u16string piece = text.substr(start, feed - start);
            if (feed < text.size())
                piece.erase(piece.find_last_not_of(u" \t\r\v\f") + 1);
            expected += piece + u"\n";
            start = feed + 1;
        }
        ASSERT_EQ(joined, expected);
    }
}

} // namespace
} // namespace zelvon
