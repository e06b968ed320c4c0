#include "engine/extraction_runner.h"
#include "engine/loop_table.h"
#include "engine/template_expander.h"
#include "engine/template_tags.h"
#include "engine/template_text.h"
#include "foundation/entity_codec.h"
#include "foundation/text_codec.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace zelvon {
namespace {

// ---------------------------------------------------------------- tags

TEST(TemplateTags, FieldReferencesSplitIntoKeyAndFormat) {
    struct Case {
        const char16_t* content;
        const char16_t* key;
        const char16_t* script;
        const char16_t* field;
        const char16_t* format;
    };
    const Case cases[] = {
        {u"detail:productName", u"detail:productName", u"detail", u"productName", u""},
        {u"detail:productName:PHT", u"detail:productName", u"detail", u"productName", u"PHT"},
        {u"detail:productName:PHT:extra", u"detail:productName", u"detail", u"productName", u"PHT:extra"},
        {u"detail:", u"detail:", u"detail", u"", u""},
        {u":name", u":name", u"", u"name", u""},
    };
    for (const auto& c : cases) {
        FieldRef ref;
        ASSERT_TRUE(parseFieldRef(c.content, ref)) << toUtf8(c.content);
        EXPECT_EQ(ref.key, c.key) << toUtf8(c.content);
        EXPECT_EQ(ref.script, c.script) << toUtf8(c.content);
        EXPECT_EQ(ref.field, c.field) << toUtf8(c.content);
        EXPECT_EQ(ref.format, c.format) << toUtf8(c.content);
    }
    FieldRef ref;
    EXPECT_FALSE(parseFieldRef(u"StartLoop", ref));
    EXPECT_FALSE(parseFieldRef(u"", ref));
}

// ---------------------------------------------------------------- formats

TEST(TemplateFormats, PlainTextFromMarkup) {
    struct Case {
        const char16_t* in;
        const char16_t* out;
    };
    const Case cases[] = {
        {u"a < b", u"a < b"},                 // no ">" after the "<": left alone
        {u"<b>Name</b>", u"Name"},
        {u"x<br>y", u"x y"},
        {u"  x  <p>  y  ", u"x   y"},         // blanks before a tag fold into its one blank
        {u"x\n<br>\ny", u"x \ny"},
        {u"Tom &amp; Jerry &lt;3", u"Tom & Jerry <3"},
        {u"a<b>c<d", u"a c<d"},
        {u"", u""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(plainTextFromMarkup(c.in), c.out) << toUtf8(c.in);
}

TEST(TemplateFormats, FormatNamesSelectTheConversion) {
    const std::u16string value = u"<b>Say</b> \"hi\" & 'bye'";
    // Only blanks before a tag fold away; the one after "</b>" stays.
    EXPECT_EQ(formatFieldValue(value, u"PHT"), u"Say  \"hi\" & 'bye'");
    EXPECT_EQ(formatFieldValue(value, u"EXML"), u"&lt;b&gt;Say&lt;/b&gt; &quot;hi&quot; & &#039;bye&#039;");
    EXPECT_EQ(formatFieldValue(value, u"PHT/EXML"), u"Say  &quot;hi&quot; & &#039;bye&#039;");
    EXPECT_EQ(formatFieldValue(value, u"pht"), value);
    EXPECT_EQ(formatFieldValue(value, u""), value);
}

// ---------------------------------------------------------------- loop table

TEST(LoopTableTest, RowsFillInOrderAndTopLevelFieldsAreBlanked) {
    LoopTable table;
    table.addField(u"s:a");
    table.addField(u"s:b");
    table.addField(u"s:a");
    ASSERT_EQ(table.fieldKeys.size(), 2u);

    table.storeValue(0, 0, u"a0", 1);
    table.storeValue(0, 1, u"a1", 1);
    table.storeValue(1, 0, u"top", 0);     // b: only a depth-0 value
    table.storeValue(1, 1, u"b1", 0);
    table.storeValue(0, 2, u"a2", 0);      // a: a depth-0 value first ...
    table.storeValue(0, 2, u"a2bis", 1);   // ... replaced by a loop value
    table.finish();

    ASSERT_TRUE(table.start());
    EXPECT_EQ(table.value(u"s:a"), u"a0");
    EXPECT_EQ(table.value(u"s:b"), u"");
    EXPECT_EQ(table.value(u"s:unknown"), u"");
    ASSERT_TRUE(table.advance());
    EXPECT_EQ(table.value(u"s:a"), u"a1");
    ASSERT_TRUE(table.advance());
    EXPECT_EQ(table.value(u"s:a"), u"a2bis");
    EXPECT_FALSE(table.advance());
    EXPECT_EQ(table.currentRow, -1);
    EXPECT_EQ(table.value(u"s:a"), u"");

    table.clear();
    EXPECT_FALSE(table.start());
}

// ---------------------------------------------------------------- expansion

std::string item(const std::string& action, const std::string& token, const std::string& variable = "") {
    return "<item action='" + action + "' token='" + toUtf8(EntityCodec::escapeMarkup(u16(token))) +
           "' variable='" + variable + "'/>";
}

const std::string kProductPage =
    "<html><h1><b>Widget</b>&amp; Pro</h1>\n"
    "<table><tr><td>1.0</td><td>alpha</td></tr>\n"
    "<tr><td>2.0</td><td>beta</td></tr>\n"
    "<tr><td>3.0</td><td>gamma</td></tr></table></html>\n";

// productName at depth 0, then version and note at depth 1 for three rows.
const std::string kProductItems = item("[MoveTo]", "<h1>") + item("[Extract]", "</h1>", "productName") +
                                  item("[StartLoop]", "<table>") + item("[MoveTo]", "<td>") +
                                  item("[Extract]", "</td>", "version") + item("[MoveTo]", "<td>") +
                                  item("[Extract]", "</td>", "note") + item("[EndLoop]", "</table>");

// Two groups of list items: group names at depth 1, items at depth 2.
const std::string kGroupPage = "<list><g><h>G1</h><ul><li>a</li><li>b</li></ul></g>"
                               "<g><h>G2</h><ul><li>c</li></ul></g></list>";
const std::string kGroupItems = item("[StartLoop]", "<list>") + item("[MoveTo]", "<h>") +
                                item("[Extract]", "</h>", "group") + item("[StartLoop]", "<ul>") +
                                item("[MoveTo]", "<li>") + item("[Extract]", "</li>", "item") +
                                item("[EndLoop]", "</ul>") + item("[EndLoop]", "</list>");

class TemplateExpansionTest : public ::testing::Test {
protected:
    // Runs `items` over `page`, read as a saved copy (no network), and adds
    // the runner under `name`.
    void addRunner(const std::string& name, const std::string& page, const std::string& items) {
        const std::string cacheName = "page" + std::to_string(runners.size()) + ".htm";
        app.write("web/" + cacheName, page);
        auto runner = std::make_unique<ExtractionRunner>(app.u16path());
        const std::string script = "<extraction><source url='' cache='" + cacheName + "'/>" + items + "</extraction>";
        ASSERT_TRUE(runner->runScriptText(u16(script), true, u"")) << toUtf8(runner->errorText());
        runners.push_back(NamedRunner{u16(name), std::move(runner)});
    }

    std::string expand(const std::string& templateText) {
        result = expandTemplate(u16(templateText), runners, errors);
        return toUtf8(result.text);
    }

    test::TempDir app;
    std::vector<NamedRunner> runners;
    std::u16string errors;
    TemplateExpansion result;
};

TEST_F(TemplateExpansionTest, TextWithoutTagsIsCopied) {
    const std::string text = "<root>\n  a [vex without closing, vex] and :vex] alone\n</root>\n";
    EXPECT_EQ(expand(text), text);
    EXPECT_TRUE(result.success);
    EXPECT_TRUE(errors.empty());
}

TEST_F(TemplateExpansionTest, TopLevelFieldsTakeTheFirstValueOfTheFirstNamedRunner) {
    ASSERT_NO_FATAL_FAILURE(addRunner("d", kProductPage, kProductItems));
    ASSERT_NO_FATAL_FAILURE(addRunner("d", "<h1>Other</h1>", kProductItems.substr(0, kProductItems.find("<item action='[StartLoop]"))));
    ASSERT_NO_FATAL_FAILURE(addRunner("e", "<h1>Second</h1>", kProductItems.substr(0, kProductItems.find("<item action='[StartLoop]"))));

    EXPECT_EQ(expand("[vex:d:productName:vex]"), "<b>Widget</b>&amp; Pro");
    EXPECT_EQ(expand("[vex:d:productName:XYZ:vex]"), "<b>Widget</b>&amp; Pro");
    EXPECT_EQ(expand("Name: [vex:d:productName:PHT:vex]."), "Name: Widget & Pro.");
    EXPECT_EQ(expand("[vex:d:productName:PHT/EXML:vex]"), "Widget & Pro");
    EXPECT_EQ(expand("[vex:d:productName:EXML:vex]"), "&lt;b&gt;Widget&lt;/b&gt;&amp; Pro");
    // A loop value is still a value outside loops: the first one counts.
    EXPECT_EQ(expand("[vex:d:version:vex]"), "1.0");
    EXPECT_EQ(expand("[vex:e:productName:vex]"), "Second");
    EXPECT_EQ(expand("<[vex:nobody:productName:vex][vex:d:missing:vex][vex:plain:vex]>"), "<>");
    EXPECT_TRUE(result.success);
    EXPECT_TRUE(errors.empty());
}

TEST_F(TemplateExpansionTest, LoopWritesItsBodyOncePerRecord) {
    ASSERT_NO_FATAL_FAILURE(addRunner("d", kProductPage, kProductItems));
    EXPECT_EQ(expand("<r>[vex:StartLoop:vex]<v n='[vex:d:version:vex]' t='[vex:d:note:vex]'/>[vex:EndLoop:vex]</r>"),
              "<r><v n='1.0' t='alpha'/><v n='2.0' t='beta'/><v n='3.0' t='gamma'/></r>");
    EXPECT_TRUE(result.success);

    // A field found only outside loops is blank in every pass; after the
    // loop the top-level lookup answers again.
    EXPECT_EQ(expand("[vex:StartLoop:vex]([vex:d:productName:vex]|[vex:d:version:vex])[vex:EndLoop:vex]"
                     "[vex:d:productName:PHT:vex]"),
              "(|1.0)(|2.0)(|3.0)Widget & Pro");
    EXPECT_TRUE(result.success);
    EXPECT_TRUE(errors.empty());
}

TEST_F(TemplateExpansionTest, LoopWithoutRecordsWritesNothing) {
    ASSERT_NO_FATAL_FAILURE(addRunner("d", kProductPage, kProductItems));
    // Only depth-0 values, a script nobody ran, and no field at all.
    EXPECT_EQ(expand("A[vex:StartLoop:vex]x[vex:d:productName:vex][vex:EndLoop:vex]B"), "AB");
    EXPECT_EQ(expand("A[vex:StartLoop:vex]x[vex:nobody:version:vex][vex:EndLoop:vex]B"), "AB");
    EXPECT_EQ(expand("A[vex:StartLoop:vex]x[vex:EndLoop:vex]B[vex:d:version:vex]"), "AB1.0");
    EXPECT_TRUE(result.success);
    EXPECT_TRUE(errors.empty());
}

TEST_F(TemplateExpansionTest, NestedLoopsMatchTheirOwnEndAndReadTheirOwnDepth) {
    ASSERT_NO_FATAL_FAILURE(addRunner("n", kGroupPage, kGroupItems));
    // The inner loop's table takes every depth-2 value of the run, not only
    // those of the current group.
    EXPECT_EQ(expand("[vex:StartLoop:vex]<g n='[vex:n:group:vex]'>[vex:StartLoop:vex]<i>[vex:n:item:vex]</i>"
                     "[vex:EndLoop:vex]</g>[vex:EndLoop:vex]."),
              "<g n='G1'><i>a</i><i>b</i><i>c</i></g><g n='G2'><i>a</i><i>b</i><i>c</i></g>.");
    EXPECT_TRUE(result.success);
    // A depth-2 field at loop level 1 belongs to no record there.
    EXPECT_EQ(expand("[vex:StartLoop:vex]<[vex:n:item:vex]>[vex:EndLoop:vex]"), "");
    EXPECT_TRUE(errors.empty());
}

TEST_F(TemplateExpansionTest, StrayEndLoopIsIgnored) {
    ASSERT_NO_FATAL_FAILURE(addRunner("d", kProductPage, kProductItems));
    EXPECT_EQ(expand("a[vex:EndLoop:vex]b[vex:d:version:vex]"), "ab1.0");
    EXPECT_TRUE(result.success);
    EXPECT_TRUE(errors.empty());
}

TEST_F(TemplateExpansionTest, MalformedTemplatesKeepTheTextBeforeTheFault) {
    ASSERT_NO_FATAL_FAILURE(addRunner("d", kProductPage, kProductItems));
    struct Case {
        const char* name;
        std::string templateText;
        std::string output;
        std::u16string error;
    };
    const Case cases[] = {
        {"unterminated tag", "head [vex:d:version:vex] tail [vex:d:note", "head 1.0 tail ",
         u"Error: Transformation script contains unterminated [vex: prefix.\n"},
        {"unterminated tag inside a pass",
         "[vex:StartLoop:vex]<[vex:d:version:vex]>[vex:EndLoop:vex]" + std::string("[vex:d:note"), "<1.0><2.0><3.0>",
         u"Error: Transformation script contains unterminated [vex: prefix.\n"},
        {"loop never closed", "x[vex:StartLoop:vex]y[vex:StartLoop:vex]z[vex:EndLoop:vex]", "x",
         u"Error: Transformation script is missing matching [vex:EndLoop:vex].\n"},
        // The loop's body holds an unclosed tag: reported, and the result
        // is a failure even though the expansion runs on.
        {"unterminated tag in a loop body", "a[vex:StartLoop:vex][vex:d:version[vex:EndLoop:vex]b", "ab",
         u"Error: Transformation script contains unterminated [vex: prefix.\n"},
    };
    for (const auto& c : cases) {
        errors.clear();
        EXPECT_EQ(expand(c.templateText), c.output) << c.name;
        EXPECT_FALSE(result.success) << c.name;
        EXPECT_EQ(errors, c.error) << c.name;
    }
}

TEST_F(TemplateExpansionTest, RunawayOutputIsCutOffWithAnError) {
    ASSERT_NO_FATAL_FAILURE(addRunner("d", kProductPage, kProductItems));
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
