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
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <random>

namespace zelvon {
namespace {

constexpr size_t npos = std::u16string_view::npos;

// The scan loop as written down, with plain substring searches where the
// real parser uses its end-tag index and cached comment search.
bool referenceParse(std::u16string_view text, const MarkupRules& rules, std::unique_ptr<XmlNode>& root) {
    size_t lt = text.find(u'<');
    if (lt == npos)
        return rules.successWithoutTag;
    std::vector<XmlNode*> open;
    XmlNode* previous = nullptr;
    for (;;) {
        const size_t gt = text.find(u'>', lt);
        if (gt == npos)
            return false;
        const std::u16string_view tag = text.substr(lt + 1, gt - lt - 1);
        size_t resume = gt;
        const size_t commentEnd = tag.starts_with(u"!--") ? text.find(u"-->", lt) : npos;
        bool declaration = false;
        for (std::u16string_view opener : {u"?", u"!DOCTYPE", u"!ATTLIST", u"!ELEMENT", u"!ENTITY"})
            declaration = declaration || (rules.skipDeclarations && tag.starts_with(opener));
        if (commentEnd != npos) {
            resume = commentEnd + 2;
        } else if (declaration) {
        } else if (!open.empty() && closesElement(tag, open.back()->name, rules)) {
            previous = open.back();
            open.pop_back();
        } else {
            auto owned = std::make_unique<XmlNode>();
            XmlNode* element = owned.get();
            element->name = elementNameOf(tag, rules);
            element->attributes = scanAttributes(tag, rules);
            XmlNode* parent = open.empty() ? nullptr : open.back();
            if (parent != nullptr) {
                if (previous != nullptr)
                    previous->nextSibling = element;
                parent->children.push_back(std::move(owned));
            }
            const size_t end = isEmptyElementTag(tag) ? npos : text.find(u"</" + element->name + u">", gt);
            if (isEmptyElementTag(tag) || end != npos) {
                const std::u16string_view content = end == npos ? u"" : text.substr(gt + 1, end - gt - 1);
                const size_t firstLt = content.find(u'<');
                const bool leaf = end == npos || (rules.leafTest == LeafTest::NoTagOrCdata
                                                      ? firstLt == npos || content.substr(firstLt).starts_with(u"<![CDATA[")
                                                      : content.find_first_of(u"<>") == npos);
                if (parent == nullptr)
                    root = std::move(owned);
                if (leaf) {
                    previous = element;
                    resume = end == npos ? gt : end;
                } else {
                    open.push_back(element);
                    previous = nullptr;
                }
            }
        }
        lt = text.find(u'<', resume + 1);
        if (lt == npos)
            return true;
    }
}

// Everything about a tree: names, attributes and each sibling link as the
// index of its target among the parent's children (which must lie ahead).
std::string describe(const XmlNode* node, size_t depth = 0) {
    if (node == nullptr)
        return "";
    std::string out = std::string(depth, '.') + toUtf8(node->name);
    for (const auto& [name, value] : node->attributes)
        out += " " + toUtf8(name) + "=[" + toUtf8(value) + "]";
    for (size_t i = 0; i < node->children.size(); ++i) {
        size_t target = i + 1;
        while (target < node->children.size() && node->children[target].get() != node->children[i]->nextSibling)
            ++target;
        out += node->children[i]->nextSibling == nullptr ? " -" : " " + std::to_string(target);
    }
    out += "\n";
    for (const auto& child : node->children)
        out += describe(child.get(), depth + 1);
    return out;
}

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

// The decoder as the file formats define it: rebuild the whole text at each
// replacement and search on one character after the reference's start. A
// single reference is decoded by decodeEntities itself; the table cases
// check that part, this checks the scanning.
std::u16string referenceDecode(std::u16string text) {
    for (size_t a = text.find(u'&'); a != npos; a = text.find(u'&', a + 1)) {
        const size_t s = text.find(u';', a);
        if (s == npos || s - a + 1 > 8)
            continue;
        // The reference is taken whole: an "&" inside it starts nothing, so
        // it is masked before decodeEntities sees it.
        std::u16string reference = text.substr(a, s - a + 1);
        std::replace(reference.begin() + 1, reference.end(), u'&', u'!');
        const std::u16string decoded = EntityCodec::decodeEntities(reference);
        if (decoded != reference)
            text = text.substr(0, a) + decoded + text.substr(s + 1);
    }
    return text;
}

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
