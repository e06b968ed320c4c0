#include "foundation/script_xml_document.h"

#include "foundation/text_codec.h"
#include "foundation/xml_outline.h"

#include <gtest/gtest.h>

namespace zelvon {
namespace {

std::string outline(const XmlTree& doc) { return toUtf8(xmlOutline(doc.root())); }

struct ScriptCase {
    const char* label;
    const char* text;
    bool result;
    const char* outline;
};

class ScriptXmlParse : public ::testing::TestWithParam<ScriptCase> {};

TEST_P(ScriptXmlParse, BuildsTheTreeCallersWalk) {
    const ScriptCase& c = GetParam();
    ScriptXmlDocument doc;
    EXPECT_EQ(doc.parse(u16(c.text)), c.result);
    EXPECT_EQ(outline(doc), c.outline);
}

INSTANTIATE_TEST_SUITE_P(Cases, ScriptXmlParse, ::testing::Values(
    ScriptCase{"item_with_two_attributes", "<extraction><item action='[MoveTo]' token='x'/></extraction>", true,
               "extraction\n  item action=[[MoveTo]] token=[x]\n"},
    ScriptCase{"double_quotes_not_recognised", "<extraction><item action=\"[MoveTo]\" token=\"x\"/></extraction>", true,
               "extraction\n  item\n"},
    ScriptCase{"tab_after_name_joins_name_and_first_key", "<extraction><item\taction='a' token='b'/></extraction>", true,
               "extraction\n  item\taction='a' item\taction=[a] token=[b]\n"},
    ScriptCase{"tab_after_name_without_blank", "<x><item\taction='a'/></x>", true, "x\n  item\taction='a' item\taction=[a]\n"},
    ScriptCase{"tab_between_attributes_is_harmless", "<x><item action='a'\ttoken='b'/></x>", true, "x\n  item action=[a] token=[b]\n"},
    ScriptCase{"gt_in_content_is_not_a_leaf", "<a>1 > 0</a>", true, "a\n"},
    ScriptCase{"cdata_is_scanned_for_elements", "<a><![CDATA[<b/>]]></a>", true, "a\n  ![CDATA[<b\n"},
    ScriptCase{"no_normalisation_of_values", "<x k='a\r\nb\tc'/>", true, "x k=[a\r\nb\tc]\n"},
    ScriptCase{"line_break_after_name_is_part_of_it", "<x><item\nk='1'/></x>", true, "x\n  item\nk='1' item\nk=[1]\n"},
    ScriptCase{"declaration_is_an_unterminated_element", "<?xml version='1.0'?><extraction/>", true, "extraction\n"},
    ScriptCase{"declaration_inside_hides_later_children", "<extraction><?x?><item/></extraction>", true, "extraction\n  ?x?\n"},
    ScriptCase{"doctype_is_an_element", "<extraction><!DOCTYPE x/></extraction>", true, "extraction\n  !DOCTYPE\n"},
    ScriptCase{"comment_skipped", "<extraction><!-- <item/> --><item k='1'/></extraction>", true, "extraction\n  item k=[1]\n"},
    ScriptCase{"last_top_level_element_is_root", "<a/><b/>", true, "b\n"},
    ScriptCase{"missing_outer_end_tag", "<r><a/><b/>", true, "b\n"},
    ScriptCase{"empty_text", "", true, ""},
    ScriptCase{"no_tag_at_all", "just text", true, ""},
    ScriptCase{"unclosed_first_tag", "<extraction", false, ""},
    ScriptCase{"unclosed_later_tag_keeps_root", "<a/><b", false, "a\n"}),
    [](const ::testing::TestParamInfo<ScriptCase>& param) { return std::string(param.param.label); });

TEST(ScriptXmlDocumentTest, TabAfterNameHidesTheItem) {
    ScriptXmlDocument doc;
    ASSERT_TRUE(doc.parse(u"<extraction><item\taction='a' token='b'/></extraction>"));
    EXPECT_EQ(doc.findNode(u"extraction\\item"), nullptr);
    const XmlNode* item = XmlTree::firstChild(doc.findNode(u"extraction"));
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(XmlTree::getAttribute(item, u"item\taction"), u"a");
    EXPECT_EQ(XmlTree::getAttribute(item, u"action"), u"");
}

TEST(ScriptXmlDocumentTest, EmptyScriptHasNoExtractionRoot) {
    ScriptXmlDocument doc;
    ASSERT_TRUE(doc.parse(u"<old/>"));
    EXPECT_TRUE(doc.parse(u""));
    EXPECT_EQ(doc.root(), nullptr);
    EXPECT_EQ(doc.findNode(u"extraction"), nullptr);
}

TEST(ScriptXmlDocumentTest, DeclarationElementIsFoundByPath) {
    ScriptXmlDocument doc;
    ASSERT_TRUE(doc.parse(u"<extraction><?x?><item k='1'/></extraction>"));
    EXPECT_NE(doc.findNode(u"extraction\\?x?"), nullptr);
    EXPECT_EQ(XmlTree::getAttribute(doc.findNode(u"extraction\\item"), u"k"), u"1");
}

} // namespace
} // namespace zelvon
