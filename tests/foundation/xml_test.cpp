// Both markup readers: the list-file reader (XmlDocument) and the stricter
// reader of extraction scripts (ScriptXmlDocument).

#include "foundation/script_xml_document.h"
#include "foundation/text_codec.h"
#include "foundation/xml_document.h"
#include "foundation/xml_outline.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <cstdio>

namespace zelvon {
namespace {

std::string outline(const XmlTree& doc) { return toUtf8(xmlOutline(doc.root())); }

struct ParseCase {
    bool script; // which reader
    const char* label;
    const char* text;
    bool result;
    const char* outline; // as a caller walking firstChild/nextSibling sees it
};

class XmlParse : public ::testing::TestWithParam<ParseCase> {};

TEST_P(XmlParse, BuildsTheTreeCallersWalk) {
    const ParseCase& c = GetParam();
    XmlDocument xml;
    ScriptXmlDocument script;
    XmlTree& doc = c.script ? static_cast<XmlTree&>(script) : xml;
    EXPECT_EQ(c.script ? script.parse(u16(c.text)) : xml.parse(u16(c.text)), c.result);
    EXPECT_EQ(outline(doc), c.outline);
}

constexpr bool kXml = false;
constexpr bool kScript = true;

INSTANTIATE_TEST_SUITE_P(Xml, XmlParse, ::testing::Values(
    ParseCase{kXml, "leaf_with_attribute", "<a k='1'>x</a>", true, "a k=[1]\n"},
    ParseCase{kXml, "declaration_before_root", "<?xml version=\"1.0\"?>\r\n<root><x/></root>", true, "root\n  x\n"},
    ParseCase{kXml, "doctype_subset_ends_at_first_gt", "<!DOCTYPE x [<!ENTITY e \"v\">]><r/>", true, "r\n"},
    ParseCase{kXml, "processing_instruction_inside", "<r><?pi x?><a/></r>", true, "r\n  a\n"},
    ParseCase{kXml, "lower_case_doctype_is_an_element", "<r><!doctype x/></r>", true, "r\n  !doctype\n"},
    ParseCase{kXml, "comment_between_children", "<r><a/><!-- <c/> --><b/></r>", true, "r\n  a\n  b\n"},
    ParseCase{kXml, "shortest_comment", "<r><!--><a/></r>", true, "r\n  a\n"},
    ParseCase{kXml, "unclosed_comment_is_an_element", "<r><!-- x><b/></r>", true, "r\n  !--\n"},
    ParseCase{kXml, "cdata_makes_a_leaf", "<a><![CDATA[<b/>]]></a>", true, "a\n"},
    ParseCase{kXml, "text_around_child_is_dropped", "<a>t<b/>u</a>", true, "a\n  b\n"},
    ParseCase{kXml, "double_quote_wins_the_tag", "<p a=\"x\" b='y'/>", true, "p a=[x]\n"},
    ParseCase{kXml, "apostrophe_when_no_double_quote", "<p b='y'/>", true, "p b=[y]\n"},
    ParseCase{kXml, "line_break_and_tab_in_value", "<p v=\"a\r\nb\" w=\"c\td\" z=\"e\nf\rg\"/>", true,
              "p v=[a b] w=[c    d] z=[e f g]\n"},
    ParseCase{kXml, "tab_after_name", "<p\tk=\"1\"/>", true, "p k=[1]\n"},
    ParseCase{kXml, "empty_element", "<br/>", true, "br\n"},
    ParseCase{kXml, "empty_element_with_blank", "<br />", true, "br\n"},
    ParseCase{kXml, "leading_blank_in_tag", "< a k='1'/>", true, "a k=[1]\n"},
    ParseCase{kXml, "blanks_around_equals", "<a k = \"v\"/>", true, "a\n"},
    ParseCase{kXml, "unclosed_value_dropped", "<a k=\"1\" j=\"2/>", true, "a k=[1]\n"},
    ParseCase{kXml, "values_verbatim", "<a v='&amp; x '/>", true, "a v=[&amp; x ]\n"},
    ParseCase{kXml, "last_top_level_element_is_root", "<a/><b/>", true, "b\n"},
    ParseCase{kXml, "missing_outer_end_tag", "<r><a/><b/>", true, "b\n"},
    ParseCase{kXml, "end_tag_with_blank_is_not_found", "<a><b/></a >", true, "b\n"},
    ParseCase{kXml, "stray_end_tag_is_an_element", "<r></x></r>", true, "r\n  /x\n"},
    ParseCase{kXml, "unterminated_first_child_hides_the_rest", "<r><u><a/><b/></r>", true, "r\n  u\n"},
    ParseCase{kXml, "unterminated_middle_child_skipped", "<r><a/><u k='1'><b/></r>", true, "r\n  a\n  b\n"},
    ParseCase{kXml, "same_name_nested", "<a><a>x</a></a>", true, "a\n  a\n"},
    ParseCase{kXml, "mixed_levels", "<r><a>1</a><b k='2'>x</b><c><d/></c><e/></r>", true,
              "r\n  a\n  b k=[2]\n  c\n    d\n  e\n"},
    ParseCase{kXml, "text_outside_tags", "junk <a/> junk", true, "a\n"},
    ParseCase{kXml, "no_tag_at_all", "plain text", false, ""},
    ParseCase{kXml, "empty_text", "", false, ""},
    ParseCase{kXml, "unclosed_first_tag", "<a", false, ""},
    ParseCase{kXml, "unclosed_tag_keeps_root", "<r><a/></r><b", false, "r\n  a\n"}),
    [](const auto& param) { return std::string(param.param.label); });

INSTANTIATE_TEST_SUITE_P(Script, XmlParse, ::testing::Values(
    ParseCase{kScript, "item_with_two_attributes", "<extraction><item action='[MoveTo]' token='x'/></extraction>",
              true, "extraction\n  item action=[[MoveTo]] token=[x]\n"},
    ParseCase{kScript, "double_quotes_not_recognised", "<x><item action=\"a\" token=\"x\"/></x>", true, "x\n  item\n"},
    ParseCase{kScript, "tab_after_name_joins_name_and_first_key", "<x><item\taction='a' token='b'/></x>", true,
              "x\n  item\taction='a' item\taction=[a] token=[b]\n"},
    ParseCase{kScript, "tab_after_name_without_blank", "<x><item\taction='a'/></x>", true,
              "x\n  item\taction='a' item\taction=[a]\n"},
    ParseCase{kScript, "tab_between_attributes", "<x><item action='a'\ttoken='b'/></x>", true,
              "x\n  item action=[a] token=[b]\n"},
    ParseCase{kScript, "gt_in_content_is_not_a_leaf", "<a>1 > 0</a>", true, "a\n"},
    ParseCase{kScript, "cdata_is_scanned", "<a><![CDATA[<b/>]]></a>", true, "a\n  ![CDATA[<b\n"},
    ParseCase{kScript, "no_normalisation", "<x><item\nk='a\r\nb\tc'/></x>", true, "x\n  item\nk='a\r\nb\tc' item\nk=[a\r\nb\tc]\n"},
    ParseCase{kScript, "declaration_is_an_unterminated_element", "<?xml version='1.0'?><extraction/>", true, "extraction\n"},
    ParseCase{kScript, "declaration_inside_hides_later_children", "<e><?x?><item/></e>", true, "e\n  ?x?\n"},
    ParseCase{kScript, "doctype_is_an_element", "<e><!DOCTYPE x/></e>", true, "e\n  !DOCTYPE\n"},
    ParseCase{kScript, "comment_skipped", "<e><!-- <item/> --><item k='1'/></e>", true, "e\n  item k=[1]\n"},
    ParseCase{kScript, "missing_outer_end_tag", "<r><a/><b/>", true, "b\n"},
    ParseCase{kScript, "empty_text", "", true, ""},
    ParseCase{kScript, "no_tag_at_all", "just text", true, ""},
    ParseCase{kScript, "unclosed_first_tag", "<extraction", false, ""},
    ParseCase{kScript, "unclosed_tag_keeps_root", "<a/><b", false, "a\n"}),
    [](const auto& param) { return std::string(param.param.label); });

TEST(XmlDocumentTest, LookupsByPathAndAttribute) {
    XmlDocument doc;
    ASSERT_TRUE(doc.parse(u"<root><x/><wareloft id='1'/><u k='1'><wareloft id='2'><Deep/></wareloft></root>"));
    EXPECT_EQ(doc.findNode(u"root"), doc.root());
    // An unterminated element is found by path, though a walk passes over it.
    const XmlNode* u = doc.findNode(u"root\\u");
    ASSERT_NE(u, nullptr);
    EXPECT_EQ(XmlTree::nextSibling(u), nullptr);
    EXPECT_EQ(XmlTree::nextSibling(doc.findNode(u"root\\wareloft")), doc.root()->children.back().get());
    // The first match wins, so the second wareloft's child is out of reach.
    EXPECT_EQ(XmlTree::getAttribute(doc.findNode(u"root\\wareloft"), u"id"), u"1");
    for (const char16_t* path : {u"Root", u"wareloft", u"root\\", u"root\\\\x", u"", u"root\\wareloft\\Deep"})
        EXPECT_EQ(doc.findNode(path), nullptr) << toUtf8(path);
    EXPECT_EQ(XmlDocument().findNode(u"root"), nullptr);

    ASSERT_TRUE(doc.parse(u"<vertrel version=\"1.0\" empty=\"\" k=\"1\" k=\"2\"/>"));
    const XmlNode* list = doc.root();
    EXPECT_EQ(XmlTree::getAttribute(list, u"k"), u"1");
    for (const char16_t* name : {u"missing", u"empty", u"Version"})
        EXPECT_EQ(XmlTree::getAttribute(list, name), u"") << toUtf8(name);
    EXPECT_EQ(XmlTree::getAttribute(nullptr, u"version"), u"");
    EXPECT_TRUE(XmlTree::hasAttributeValue(list, u"version", u"1.0"));
    EXPECT_TRUE(XmlTree::hasAttributeValue(list, u"k", u"2"));
    EXPECT_TRUE(XmlTree::hasAttributeValue(list, u"empty", u""));
    EXPECT_FALSE(XmlTree::hasAttributeValue(list, u"version", u"1.0 "));
    EXPECT_FALSE(XmlTree::hasAttributeValue(list, u"missing", u""));
    EXPECT_FALSE(XmlTree::hasAttributeValue(nullptr, u"version", u"1.0"));
    EXPECT_EQ(XmlTree::firstChild(nullptr), nullptr);
    EXPECT_EQ(XmlTree::nextSibling(nullptr), nullptr);
}

TEST(XmlDocumentTest, ScriptLookupsSeeTheScriptTagRules) {
    ScriptXmlDocument doc;
    ASSERT_TRUE(doc.parse(u"<extraction><item\taction='a' token='b'/><?x?><item k='1'/></extraction>"));
    EXPECT_EQ(XmlTree::getAttribute(doc.findNode(u"extraction\\item"), u"k"), u"1");
    EXPECT_NE(doc.findNode(u"extraction\\?x?"), nullptr);
    const XmlNode* first = XmlTree::firstChild(doc.root());
    EXPECT_EQ(XmlTree::getAttribute(first, u"item\taction"), u"a");
    EXPECT_TRUE(doc.parse(u""));
    EXPECT_EQ(doc.root(), nullptr);
}

TEST(XmlDocumentTest, LoadDecodesTheFileAndReplacesTheTree) {
    test::TempDir dir;
    dir.write("utf8.txt", "\xEF\xBB\xBF<a v=\"Gr\xC3\xBC\xC3\x9F" "e \xE2\x82\xAC\"/>");
    dir.write("ansi.txt", "<a v=\"Gr\xFC\x80\x9F\"/>");
    dir.write("empty.txt", "");
    dir.write("cut.txt", "<vertrel version=\"1.0\"><product productID=\"1\"/><product productID=\"2");
    XmlDocument doc;
    ASSERT_TRUE(doc.load(dir.u16file("utf8.txt")));
    EXPECT_EQ(outline(doc), "a v=[Gr\xC3\xBC\xC3\x9F" "e \xE2\x82\xAC]\n");
    ASSERT_TRUE(doc.load(dir.u16file("ansi.txt")));
    EXPECT_EQ(XmlTree::getAttribute(doc.root(), u"v"), u"Grü€Ÿ");
    // A file that cannot be read leaves the tree alone; one that can replaces it.
    EXPECT_FALSE(doc.load(dir.u16file("missing.txt")));
    EXPECT_FALSE(doc.load(dir.u16path()));
    EXPECT_EQ(XmlTree::getAttribute(doc.root(), u"v"), u"Grü€Ÿ");
    EXPECT_FALSE(doc.load(dir.u16file("empty.txt")));
    EXPECT_EQ(doc.root(), nullptr);
    EXPECT_FALSE(doc.load(dir.u16file("cut.txt")));
    EXPECT_EQ(doc.findNode(u"vertrel"), nullptr);
    EXPECT_EQ(XmlTree::getAttribute(doc.root(), u"productID"), u"1");
}

// About 1 MB inputs that plain substring searches would make quadratic must
// still give exactly the tree the scan rules describe. Speed itself is
// measured by bench/xml_bench.cpp.
constexpr size_t kCount = 50000;
constexpr size_t kDepth = 100000;

std::u16string number(size_t i) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%05zu", i);
    return u16(buffer);
}

std::u16string repeated(std::u16string_view head, std::u16string_view piece, size_t count, std::u16string_view tail) {
    std::u16string text(head);
    for (size_t i = 0; i < count; ++i)
        text.append(piece);
    return text.append(tail);
}

template <class Check>
void withBothReaders(const std::u16string& text, Check check) {
    XmlDocument xml;
    ScriptXmlDocument script;
    EXPECT_TRUE(xml.parse(text));
    EXPECT_TRUE(script.parse(text));
    check(static_cast<const XmlTree&>(xml));
    check(static_cast<const XmlTree&>(script));
}

TEST(XmlLargeInputTest, ManyUnterminatedOrTerminatedItems) {
    std::u16string unterminated = u"<r>", terminated = u"<r>";
    for (size_t i = 0; i < kCount; ++i) {
        unterminated += u"<item n='" + number(i) + u"' v=''>";
        terminated += u"<item n='" + number(i) + u"'>v</item>";
    }
    unterminated += u"</r>";
    terminated += u"</r>";
    ASSERT_GT(unterminated.size(), 1000000u);
    withBothReaders(unterminated, [](const XmlTree& doc) {
        ASSERT_EQ(doc.findNode(u"r"), doc.root());
        ASSERT_EQ(doc.root()->children.size(), kCount);
        // Nothing at this level ever finishes, so no sibling link is made.
        for (const auto& child : doc.root()->children)
            ASSERT_TRUE(child->nextSibling == nullptr && child->children.empty() && child->name == u"item");
        EXPECT_EQ(XmlTree::getAttribute(doc.root()->children.back().get(), u"n"), number(kCount - 1));
    });
    withBothReaders(terminated, [](const XmlTree& doc) {
        ASSERT_EQ(doc.findNode(u"r"), doc.root());
        ASSERT_EQ(doc.root()->children.size(), kCount);
        size_t walked = 0;
        for (const XmlNode* item = XmlTree::firstChild(doc.root()); item != nullptr && walked <= kCount;
             item = XmlTree::nextSibling(item), ++walked)
            ASSERT_TRUE(XmlTree::getAttribute(item, u"n") == number(walked) && item->children.empty());
        EXPECT_EQ(walked, kCount);
    });
}

TEST(XmlLargeInputTest, DeepNestingIsBuiltWalkedAndDestroyed) {
    withBothReaders(repeated(repeated(u"", u"<e>", kDepth, u""), u"</e>", kDepth, u""), [](const XmlTree& doc) {
        size_t depth = 0;
        for (const XmlNode* node = doc.root(); node != nullptr && depth <= kDepth; node = XmlTree::firstChild(node)) {
            ASSERT_TRUE(node->name == u"e" && node->children.size() <= 1 && node->nextSibling == nullptr);
            ++depth;
        }
        EXPECT_EQ(depth, kDepth);
    }); // destroying both trees must not recurse once per level
}

TEST(XmlLargeInputTest, OneFarEndTagNestsEveryItemAndUnclosedCommentsAreElements) {
    // Every item finds the single end tag at the end, so each becomes the
    // parent of the next; the innermost is a leaf.
    XmlDocument doc;
    ASSERT_TRUE(doc.parse(repeated(u"<r>", u"<item>", kCount, u"</item></r>")));
    size_t depth = 0;
    const XmlNode* last = nullptr;
    for (const XmlNode* node = doc.findNode(u"r\\item"); node != nullptr && depth <= kCount;
         node = XmlTree::firstChild(node), ++depth)
        last = node;
    EXPECT_EQ(depth, kCount);
    EXPECT_TRUE(last != nullptr && last->name == u"item" && last->children.empty());

    ScriptXmlDocument script;
    ASSERT_TRUE(script.parse(repeated(u"<r>", u"<!--c>", kCount, u"<a/></r>")));
    ASSERT_EQ(script.root()->children.size(), kCount + 1);
    EXPECT_EQ(script.root()->children.front()->name, u"!--c");
    EXPECT_EQ(script.findNode(u"r\\a"), script.root()->children.back().get());
}

} // namespace
} // namespace zelvon
