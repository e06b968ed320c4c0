#include "foundation/xml_document.h"

#include "foundation/text_codec.h"
#include "foundation/xml_outline.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

namespace zelvon {
namespace {

std::string outline(const XmlTree& doc) { return toUtf8(xmlOutline(doc.root())); }

struct ParseCase {
    const char* label;
    const char* text;
    bool result;
    const char* outline; // as a caller walking firstChild/nextSibling sees it
};

class XmlDocumentParse : public ::testing::TestWithParam<ParseCase> {};

TEST_P(XmlDocumentParse, BuildsTheTreeCallersWalk) {
    const ParseCase& c = GetParam();
    XmlDocument doc;
    EXPECT_EQ(doc.parse(u16(c.text)), c.result);
    EXPECT_EQ(outline(doc), c.outline);
}

INSTANTIATE_TEST_SUITE_P(Cases, XmlDocumentParse, ::testing::Values(
    ParseCase{"leaf_with_attribute", "<a k='1'>x</a>", true, "a k=[1]\n"},
    ParseCase{"declaration_before_root", "<?xml version=\"1.0\"?>\r\n<root><x/></root>", true, "root\n  x\n"},
    ParseCase{"doctype_internal_subset_ends_at_first_gt", "<!DOCTYPE x [<!ENTITY e \"v\">]><r/>", true, "r\n"},
    ParseCase{"processing_instruction_inside", "<r><?pi x?><a/></r>", true, "r\n  a\n"},
    ParseCase{"lower_case_doctype_is_an_element", "<r><!doctype x/></r>", true, "r\n  !doctype\n"},
    ParseCase{"comment_between_children", "<r><a/><!-- <c/> --><b/></r>", true, "r\n  a\n  b\n"},
    ParseCase{"shortest_comment", "<r><!--><a/></r>", true, "r\n  a\n"},
    ParseCase{"unclosed_comment_is_an_unterminated_element", "<r><!-- x><b/></r>", true, "r\n  !--\n"},
    ParseCase{"cdata_makes_a_leaf", "<a><![CDATA[<b/>]]></a>", true, "a\n"},
    ParseCase{"text_around_child_is_dropped", "<a>t<b/>u</a>", true, "a\n  b\n"},
    ParseCase{"double_quote_wins_the_tag", "<p a=\"x\" b='y'/>", true, "p a=[x]\n"},
    ParseCase{"apostrophe_when_no_double_quote", "<p b='y'/>", true, "p b=[y]\n"},
    ParseCase{"line_break_and_tab_in_value", "<p v=\"a\r\nb\" w=\"c\td\" z=\"e\nf\rg\"/>", true, "p v=[a b] w=[c    d] z=[e f g]\n"},
    ParseCase{"tab_after_name", "<p\tk=\"1\"/>", true, "p k=[1]\n"},
    ParseCase{"empty_element", "<br/>", true, "br\n"},
    ParseCase{"empty_element_with_blank", "<br />", true, "br\n"},
    ParseCase{"leading_blank_in_tag", "< a k='1'/>", true, "a k=[1]\n"},
    ParseCase{"blanks_around_equals_not_recognised", "<a k = \"v\"/>", true, "a\n"},
    ParseCase{"unclosed_value_dropped", "<a k=\"1\" j=\"2/>", true, "a k=[1]\n"},
    ParseCase{"values_verbatim", "<a v='&amp; x '/>", true, "a v=[&amp; x ]\n"},
    ParseCase{"last_top_level_element_is_root", "<a/><b/>", true, "b\n"},
    ParseCase{"missing_outer_end_tag", "<r><a/><b/>", true, "b\n"},
    ParseCase{"end_tag_with_blank_is_not_found", "<a><b/></a >", true, "b\n"},
    ParseCase{"stray_end_tag_is_an_element", "<r></x></r>", true, "r\n  /x\n"},
    ParseCase{"unterminated_first_child_hides_the_rest", "<r><u><a/><b/></r>", true, "r\n  u\n"},
    ParseCase{"unterminated_middle_child_skipped", "<r><a/><u k='1'><b/></r>", true, "r\n  a\n  b\n"},
    ParseCase{"same_name_nested", "<a><a>x</a></a>", true, "a\n  a\n"},
    ParseCase{"mixed_levels", "<r><a>1</a><b k='2'>x</b><c><d/></c><e/></r>", true, "r\n  a\n  b k=[2]\n  c\n    d\n  e\n"},
    ParseCase{"text_outside_tags", "junk <a/> junk", true, "a\n"},
    ParseCase{"no_tag_at_all", "plain text", false, ""},
    ParseCase{"empty_text", "", false, ""},
    ParseCase{"unclosed_first_tag", "<a", false, ""},
    ParseCase{"unclosed_later_tag_keeps_root", "<a/><b", false, "a\n"},
    ParseCase{"unclosed_tag_inside_root", "<r><a/></r><b", false, "r\n  a\n"}),
    [](const ::testing::TestParamInfo<ParseCase>& param) { return std::string(param.param.label); });

TEST(XmlDocumentTest, UnterminatedElementIsFoundByPathButNotByWalk) {
    XmlDocument doc;
    ASSERT_TRUE(doc.parse(u"<r><a/><u k='1'><b/></r>"));
    const XmlNode* u = doc.findNode(u"r\\u");
    ASSERT_NE(u, nullptr);
    EXPECT_EQ(XmlTree::getAttribute(u, u"k"), u"1");
    EXPECT_EQ(XmlTree::nextSibling(u), nullptr);
    const XmlNode* a = XmlTree::firstChild(doc.root());
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(XmlTree::nextSibling(a), doc.findNode(u"r\\b"));
}

TEST(XmlDocumentTest, CutOffFileLosesTheExpectedPath) {
    XmlDocument doc;
    EXPECT_TRUE(doc.parse(u"<r><a/><b/>"));
    EXPECT_EQ(doc.findNode(u"r"), nullptr);
    EXPECT_EQ(doc.findNode(u"b"), doc.root());
    EXPECT_EQ(XmlTree::nextSibling(doc.root()), nullptr);
}

TEST(XmlDocumentTest, FindNodeFollowsExactComponents) {
    XmlDocument doc;
    ASSERT_TRUE(doc.parse(u"<root><x/><wareloft id='1'/><wareloft id='2'><Deep/></wareloft></root>"));
    EXPECT_EQ(doc.findNode(u"root"), doc.root());
    EXPECT_EQ(XmlTree::getAttribute(doc.findNode(u"root\\wareloft"), u"id"), u"1");
    EXPECT_EQ(doc.findNode(u"Root"), nullptr);
    EXPECT_EQ(doc.findNode(u"wareloft"), nullptr);
    EXPECT_EQ(doc.findNode(u"root\\"), nullptr);
    EXPECT_EQ(doc.findNode(u"root\\\\x"), nullptr);
    EXPECT_EQ(doc.findNode(u""), nullptr);
    // The first match wins, so the second wareloft's child is out of reach.
    EXPECT_EQ(doc.findNode(u"root\\wareloft\\Deep"), nullptr);
    EXPECT_EQ(XmlDocument().findNode(u"root"), nullptr);
}

TEST(XmlDocumentTest, AttributeQueries) {
    XmlDocument doc;
    ASSERT_TRUE(doc.parse(u"<vertrel version=\"1.0\" empty=\"\" k=\"1\" k=\"2\"/>"));
    const XmlNode* list = doc.root();
    EXPECT_EQ(XmlTree::getAttribute(list, u"version"), u"1.0");
    EXPECT_EQ(XmlTree::getAttribute(list, u"k"), u"1");
    EXPECT_EQ(XmlTree::getAttribute(list, u"missing"), u"");
    EXPECT_EQ(XmlTree::getAttribute(list, u"empty"), u"");
    EXPECT_EQ(XmlTree::getAttribute(list, u"Version"), u"");
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

TEST(XmlDocumentTest, ParseReplacesTheTree) {
    XmlDocument doc;
    ASSERT_TRUE(doc.parse(u"<old/>"));
    EXPECT_FALSE(doc.parse(u"no markup"));
    EXPECT_EQ(doc.root(), nullptr);
    ASSERT_TRUE(doc.parse(u"<old/>"));
    EXPECT_TRUE(doc.parse(u"<new/>"));
    EXPECT_EQ(outline(doc), "new\n");
}

class XmlDocumentLoad : public ::testing::Test {
protected:
    test::TempDir dir;
};

TEST_F(XmlDocumentLoad, Utf8FileReadsAsUtf8) {
    dir.write("list.txt", "<a v=\"Gr\xC3\xBC\xC3\x9F" "e \xE2\x82\xAC\"/>");
    XmlDocument doc;
    ASSERT_TRUE(doc.load(dir.u16file("list.txt")));
    EXPECT_EQ(XmlTree::getAttribute(doc.root(), u"v"), u"Grüße €");
}

TEST_F(XmlDocumentLoad, InvalidUtf8ReadsAsWindows1252) {
    dir.write("list.txt", "<a v=\"Gr\xFC\x80\x9F\"/>");
    XmlDocument doc;
    ASSERT_TRUE(doc.load(dir.u16file("list.txt")));
    EXPECT_EQ(XmlTree::getAttribute(doc.root(), u"v"), u"Grü€Ÿ");
}

TEST_F(XmlDocumentLoad, ByteOrderMarkIsPassedOver) {
    dir.write("list.txt", "\xEF\xBB\xBF<a k='1'/>");
    XmlDocument doc;
    ASSERT_TRUE(doc.load(dir.u16file("list.txt")));
    EXPECT_EQ(outline(doc), "a k=[1]\n");
}

TEST_F(XmlDocumentLoad, EmptyFileFailsAndClearsTheTree) {
    dir.write("empty.txt", "");
    XmlDocument doc;
    ASSERT_TRUE(doc.parse(u"<old/>"));
    EXPECT_FALSE(doc.load(dir.u16file("empty.txt")));
    EXPECT_EQ(doc.root(), nullptr);
}

TEST_F(XmlDocumentLoad, UnreadableFileKeepsTheOldTree) {
    XmlDocument doc;
    ASSERT_TRUE(doc.parse(u"<old/>"));
    EXPECT_FALSE(doc.load(dir.u16file("missing.txt")));
    EXPECT_FALSE(doc.load(dir.u16path()));
    EXPECT_EQ(outline(doc), "old\n");
}

TEST_F(XmlDocumentLoad, CutOffFileLoadsWhatItCan) {
    dir.write("cut.txt", "<vertrel version=\"1.0\"><product productID=\"1\"/><product productID=\"2");
    XmlDocument doc;
    EXPECT_FALSE(doc.load(dir.u16file("cut.txt")));
    EXPECT_EQ(doc.findNode(u"vertrel"), nullptr);
    EXPECT_EQ(XmlTree::getAttribute(doc.root(), u"productID"), u"1");
}

} // namespace
} // namespace zelvon
