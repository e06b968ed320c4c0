// The template language: tag contents, the two value formats, loop tables,
// and whole expansions over runners that read saved pages.

#include "engine/extraction_runner.h"
#include "engine/loop_table.h"
#include "engine/template_expander.h"
#include "engine/template_tags.h"
#include "engine/template_text.h"
#include "engine_test_support.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <tuple>
#include <vector>

namespace zelvon {
namespace {

using test::scriptItem;

TEST(TemplateTags, FieldReferencesSplitIntoKeyAndFormat) {
    const std::pair<std::u16string, std::string> cases[] = {
        {u"detail:productName", "detail:productName|detail|productName|"},
        {u"detail:productName:PHT", "detail:productName|detail|productName|PHT"},
        {u"detail:productName:PHT:extra", "detail:productName|detail|productName|PHT:extra"},
        {u"detail:", "detail:|detail||"},
        {u":name", ":name||name|"},
    };
    for (const auto& [content, parts] : cases) {
        FieldRef ref;
        ASSERT_TRUE(parseFieldRef(content, ref)) << parts;
        EXPECT_EQ(toUtf8(std::u16string(ref.key) + u"|" + std::u16string(ref.script) + u"|" + std::u16string(ref.field) +
                         u"|" + std::u16string(ref.format)),
                  parts);
    }
    FieldRef ref;
    EXPECT_FALSE(parseFieldRef(u"StartLoop", ref));
}

TEST(TemplateFormats, PlainTextAndMarkupEscape) {
    const std::pair<std::u16string, std::u16string> plain[] = {
        {u"a < b", u"a < b"}, // no ">" after the "<": left alone
        {u"<b>Name</b>", u"Name"},
        {u"x<br>y", u"x y"},
        {u"  x  <p>  y  ", u"x   y"}, // blanks before a tag fold into its one blank
        {u"x\n<br>\ny", u"x \ny"},
        {u"Tom &amp; Jerry &lt;3", u"Tom & Jerry <3"},
        {u"a<b>c<d", u"a c<d"},
    };
    for (const auto& [in, out] : plain)
        EXPECT_EQ(plainTextFromMarkup(in), out) << toUtf8(in);

    const std::u16string value = u"<b>Say</b> \"hi\" & 'bye'";
    EXPECT_EQ(formatFieldValue(value, u"PHT"), u"Say  \"hi\" & 'bye'");
    EXPECT_EQ(formatFieldValue(value, u"EXML"), u"&lt;b&gt;Say&lt;/b&gt; &quot;hi&quot; & &#039;bye&#039;");
    EXPECT_EQ(formatFieldValue(value, u"PHT/EXML"), u"Say  &quot;hi&quot; & &#039;bye&#039;");
    EXPECT_EQ(formatFieldValue(value, u"pht"), value);
}

TEST(LoopTableTest, RowsFillInOrderAndTopLevelFieldsAreBlanked) {
    LoopTable table;
    for (const char16_t* key : {u"s:a", u"s:b", u"s:a"})
        table.addField(key);
    ASSERT_EQ(table.fieldKeys.size(), 2u);
    table.storeValue(0, 0, u"a0", 1);
    table.storeValue(1, 0, u"top", 0); // b: only depth-0 values
    table.storeValue(1, 1, u"b1", 0);
    table.storeValue(0, 1, u"a1", 0);  // a: a depth-0 value ...
    table.storeValue(0, 1, u"a1bis", 1); // ... replaced by a loop value
    table.finish();
    std::u16string seen;
    for (bool more = table.start(); more; more = table.advance())
        seen += std::u16string(table.value(u"s:a")) + u"/" + std::u16string(table.value(u"s:b")) + u";";
    EXPECT_EQ(seen, u"a0/;a1bis/;");
    EXPECT_EQ(table.value(u"s:a"), u""); // past the last row

    // A field added once rows exist: every row gets an empty slot at its
    // end, and the values already stored keep their fields.
    table.addField(u"s:c");
    table.storeValue(2, 0, u"c0", 1);
    seen.clear();
    for (bool more = table.start(); more; more = table.advance())
        for (const char16_t* key : {u"s:a", u"s:b", u"s:c"})
            seen += std::u16string(table.value(key)) + u",";
    EXPECT_EQ(seen, u"a0,,c0,a1bis,,,");
}

// productName at depth 0, then version and note at depth 1 for three rows.
const std::string kProductPage = "<html><h1><b>Widget</b>&amp; Pro</h1>\n<table><tr><td>1.0</td><td>alpha</td></tr>\n"
                                 "<tr><td>2.0</td><td>beta</td></tr>\n<tr><td>3.0</td><td>gamma</td></tr></table>\n";
const std::string kNameItems = scriptItem("[MoveTo]", "<h1>") + scriptItem("[Extract]", "</h1>", "productName");
const std::string kProductItems = kNameItems + scriptItem("[StartLoop]", "<table>") + scriptItem("[MoveTo]", "<td>") +
                                  scriptItem("[Extract]", "</td>", "version") + scriptItem("[MoveTo]", "<td>") +
                                  scriptItem("[Extract]", "</td>", "note") + scriptItem("[EndLoop]", "</table>");
// Group names at depth 1, their items at depth 2.
const std::string kGroupPage = "<list><g><h>G1</h><ul><li>a</li><li>b</li></ul></g><g><h>G2</h><ul><li>c</li></ul></g></list>";
const std::string kGroupItems = scriptItem("[StartLoop]", "<list>") + scriptItem("[MoveTo]", "<h>") +
                                scriptItem("[Extract]", "</h>", "group") + scriptItem("[StartLoop]", "<ul>") +
                                scriptItem("[MoveTo]", "<li>") + scriptItem("[Extract]", "</li>", "item") +
                                scriptItem("[EndLoop]", "</ul>") + scriptItem("[EndLoop]", "</list>");

class TemplateExpansionTest : public ::testing::Test {
protected:
    void SetUp() override {
        // A second runner named d only matters where the first has nothing.
        for (const auto& [name, page, items] : {std::tuple{"d", kProductPage, kProductItems},
                                                 std::tuple{"d", std::string("<h1>Other</h1>"), kNameItems},
                                                 std::tuple{"e", std::string("<h1>Second</h1>"), kNameItems},
                                                 std::tuple{"n", kGroupPage, kGroupItems}}) {
            const std::string cache = "page" + std::to_string(runners.size()) + ".htm";
            app.write("web/" + cache, page);
            auto runner = std::make_unique<ExtractionRunner>(app.u16path());
            ASSERT_TRUE(runner->runScriptText(u16(test::extractionScript(items, "", cache)), true, u""));
            runners.push_back(NamedRunner{u16(name), std::move(runner)});
        }
    }
    std::string expand(const std::string& templateText) {
        errors.clear();
        result = expandTemplate(u16(templateText), runners, errors);
        return toUtf8(result.text);
    }

    test::TempDir app;
    std::vector<NamedRunner> runners;
    std::u16string errors;
    TemplateExpansion result;
};

TEST_F(TemplateExpansionTest, FillsFieldsAndRepeatsLoops) {
    const std::pair<std::string, std::string> cases[] = {
        {"<root>\n a [vex without closing, vex] and :vex] alone\n</root>\n",
         "<root>\n a [vex without closing, vex] and :vex] alone\n</root>\n"},
        // Outside loops: the first value of the first runner of that name.
        {"[vex:d:productName:vex]|[vex:d:productName:XYZ:vex]", "<b>Widget</b>&amp; Pro|<b>Widget</b>&amp; Pro"},
        {"Name: [vex:d:productName:PHT:vex].", "Name: Widget & Pro."},
        {"[vex:d:productName:EXML:vex]|[vex:d:productName:PHT/EXML:vex]", "&lt;b&gt;Widget&lt;/b&gt;&amp; Pro|Widget & Pro"},
        {"[vex:d:version:vex] [vex:e:productName:vex]", "1.0 Second"},
        {"<[vex:nobody:productName:vex][vex:d:missing:vex][vex:plain:vex]>", "<>"},
        {"a[vex:EndLoop:vex]b", "ab"},
        {"<r>[vex:StartLoop:vex]<v n='[vex:d:version:vex]' t='[vex:d:note:vex]'/>[vex:EndLoop:vex]</r>",
         "<r><v n='1.0' t='alpha'/><v n='2.0' t='beta'/><v n='3.0' t='gamma'/></r>"},
        // Depth-0 values are blank inside a loop; after it they count again.
        {"[vex:StartLoop:vex]([vex:d:productName:vex]|[vex:d:version:vex])[vex:EndLoop:vex][vex:d:productName:PHT:vex]",
         "(|1.0)(|2.0)(|3.0)Widget & Pro"},
        // Loops without records: only depth-0 values, nobody's script, no field.
        {"A[vex:StartLoop:vex]x[vex:d:productName:vex][vex:EndLoop:vex]B", "AB"},
        {"A[vex:StartLoop:vex]x[vex:nobody:version:vex][vex:EndLoop:vex]B", "AB"},
        {"A[vex:StartLoop:vex]x[vex:EndLoop:vex]B[vex:d:version:vex]", "AB1.0"},
        // Nested loops match their own EndLoop; the inner table takes every
        // depth-2 value of the run, not only those of the current group.
        {"[vex:StartLoop:vex]<g n='[vex:n:group:vex]'>[vex:StartLoop:vex]<i>[vex:n:item:vex]</i>"
         "[vex:EndLoop:vex]</g>[vex:EndLoop:vex].",
         "<g n='G1'><i>a</i><i>b</i><i>c</i></g><g n='G2'><i>a</i><i>b</i><i>c</i></g>."},
        {"[vex:StartLoop:vex]<[vex:n:item:vex]>[vex:EndLoop:vex]", ""},
        // Fields used in another order than the page's, and the same field
        // twice, still pair up record by record.
        {"[vex:StartLoop:vex][vex:d:note:vex]=[vex:d:version:vex]/[vex:d:note:PHT:vex];[vex:EndLoop:vex]",
         "alpha=1.0/alpha;beta=2.0/beta;gamma=3.0/gamma;"},
    };
    for (const auto& [templateText, output] : cases) {
        EXPECT_EQ(expand(templateText), output) << templateText;
        EXPECT_TRUE(result.success) << templateText;
        EXPECT_EQ(toUtf8(errors), "") << templateText;
    }
}

TEST_F(TemplateExpansionTest, MalformedTemplatesKeepTheTextBeforeTheFault) {
    const std::string unterminated = toUtf8(kUnterminatedTagMessage);
    const std::string cases[][3] = {
        {"head [vex:d:version:vex] tail [vex:d:note", "head 1.0 tail ", unterminated},
        {"[vex:StartLoop:vex]<[vex:d:version:vex]>[vex:EndLoop:vex][vex:d:note", "<1.0><2.0><3.0>", unterminated},
        {"x[vex:StartLoop:vex]y[vex:StartLoop:vex]z[vex:EndLoop:vex]", "x", toUtf8(kMissingEndLoopMessage)},
        // An unclosed tag in a loop body is reported and fails the result,
        // though the expansion runs on; an inner body reports it per pass.
        {"a[vex:StartLoop:vex][vex:d:version[vex:EndLoop:vex]b", "ab", unterminated},
        {"[vex:StartLoop:vex]<[vex:d:version:vex]>[vex:StartLoop:vex][vex:x[vex:EndLoop:vex]|[vex:EndLoop:vex]",
         "<1.0>|<2.0>|<3.0>|", unterminated + unterminated + unterminated},
    };
    for (const auto& [templateText, output, error] : cases) {
        EXPECT_EQ(expand(templateText), output) << templateText;
        EXPECT_FALSE(result.success) << templateText;
        EXPECT_EQ(toUtf8(errors), error) << templateText;
    }
}

TEST_F(TemplateExpansionTest, RunawayOutputIsCutOffWithAnError) {
    // Three records of a body past a third of the limit exceed it.
    const std::string filler(kMaxTemplateOutput / 3 + 10, 'x');
    const std::string text = expand("[vex:StartLoop:vex]" + filler + "[vex:d:version:vex][vex:EndLoop:vex]tail");
    EXPECT_FALSE(result.success);
    EXPECT_EQ(errors, kOutputTooLargeMessage);
    EXPECT_GT(text.size(), kMaxTemplateOutput);
    EXPECT_EQ(text.find("tail"), std::string::npos);
}

} // namespace
} // namespace zelvon
