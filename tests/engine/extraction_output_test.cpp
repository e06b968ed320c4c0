// The entry lookups and the two text forms written from an entry list.

#include "engine/extraction_output.h"
#include "engine/extraction_runner.h"
#include "foundation/text_codec.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace zelvon {
namespace {

ExtractedEntry value(const char* name, const char* text, int depth) { return {u16(name), u16(text), depth}; }
ExtractedEntry marker(int depth) { return {std::u16string(kDepthCountName), u"", depth}; }

// Every open tag closed by a close tag of the same indent, none left open.
bool recordsBalance(const std::string& kelpo) {
    std::vector<size_t> open;
    size_t start = 0;
    while (start < kelpo.size()) {
        const size_t end = kelpo.find('\n', start);
        const std::string line = kelpo.substr(start, end - start);
        start = end == std::string::npos ? kelpo.size() : end + 1;
        const size_t indent = line.find_first_not_of(' ');
        if (indent == std::string::npos)
            continue;
        if (line.compare(indent, std::string::npos, "<record>") == 0) {
            open.push_back(indent);
        } else if (line.compare(indent, std::string::npos, "</record>") == 0) {
            if (open.empty() || open.back() != indent)
                return false;
            open.pop_back();
        }
    }
    return open.empty();
}

TEST(KelpoText, TwoRowTableGivesOneRecordPerRow) {
    const std::vector<ExtractedEntry> entries = {value("title", "Alpha", 1), value("price", "9", 1), marker(0),
                                                 value("title", "Beta", 1),  value("price", "5", 1), marker(0),
                                                 marker(0)};
    EXPECT_EQ(toUtf8(kelpoTextOf(entries)), "<kelpo>\n"
                                            "    <record>\n"
                                            "        <item name='title' value='Alpha'/>\n"
                                            "        <item name='price' value='9'/>\n"
                                            "    </record>\n"
                                            "    <record>\n"
                                            "        <item name='title' value='Beta'/>\n"
                                            "        <item name='price' value='5'/>\n"
                                            "    </record>\n"
                                            "</kelpo>\n");
}

TEST(KelpoText, TopLevelValuesAndEscaping) {
    EXPECT_EQ(kelpoTextOf({}), u"<kelpo>\n</kelpo>\n");
    const std::vector<ExtractedEntry> entries = {value("a<b", "a&b<c", 0), value("q", "it's \"x\" > y", 0)};
    EXPECT_EQ(toUtf8(kelpoTextOf(entries)), "<kelpo>\n"
                                            "    <item name='a&lt;b' value='a&b&lt;c'/>\n"
                                            "    <item name='q' value='it&#039;s &quot;x&quot; &gt; y'/>\n"
                                            "</kelpo>\n");
}

TEST(KelpoText, DepthJumpOpensOneRecordPerLevel) {
    // An outer pass that begins inside an inner loop: the first value lies
    // two levels below the one before it.
    const std::vector<ExtractedEntry> entries = {value("head", "h", 0), value("cell", "1", 2), marker(1), marker(1),
                                                 marker(0),             value("cell", "2", 2), marker(1), marker(1),
                                                 marker(0),             marker(0)};
    const std::string text = toUtf8(kelpoTextOf(entries));
    EXPECT_EQ(text, "<kelpo>\n"
                    "    <item name='head' value='h'/>\n"
                    "    <record>\n"
                    "        <record>\n"
                    "            <item name='cell' value='1'/>\n"
                    "        </record>\n"
                    "    </record>\n"
                    "    <record>\n"
                    "        <record>\n"
                    "            <item name='cell' value='2'/>\n"
                    "        </record>\n"
                    "    </record>\n"
                    "</kelpo>\n");
    EXPECT_TRUE(recordsBalance(text));
}

TEST(TildeText, OneLinePerValueWithoutEscapingOrMarkers) {
    const std::vector<ExtractedEntry> entries = {value("name", "A & <B>", 0), value("v", "1~2", 1), marker(0),
                                                 value("v", "", 1), marker(0), marker(0)};
    EXPECT_EQ(toUtf8(tildeTextOf(entries)), "name~0~A & <B>\nv~1~1~2\nv~1~\n");
    EXPECT_EQ(tildeTextOf({marker(0)}), u"");
}

class RunnerOutput : public ::testing::Test {
protected:
    bool run(const std::string& page, const std::string& items) {
        app.write("web/page.htm", page);
        return runner.runScriptText(u16("<extraction><source url='' cache='page.htm'/>" + items + "</extraction>"), true, u"");
    }
    test::TempDir app;
    ExtractionRunner runner{app.u16path()};
};

TEST_F(RunnerOutput, LookupsWalkTheEntryList) {
    ASSERT_TRUE(run("<td>1</td><td>2</td>", "<item action='[StartLoop]' token='' variable=''/>"
                                            "<item action='[MoveTo]' token='&lt;td&gt;' variable=''/>"
                                            "<item action='[Extract]' token='&lt;/td&gt;' variable='v'/>"
                                            "<item action='[EndLoop]' token='' variable=''/>"));
    // v(1), marker, v(2), marker, then the pass that found nothing more
    // closes with its marker and the loop's own.
    EXPECT_EQ(runner.findEntry(u"v", -1), 0);
    EXPECT_EQ(runner.findEntry(u"v", 0), 2);
    EXPECT_EQ(runner.findEntry(u"v", 2), -1);
    EXPECT_EQ(runner.findEntry(u"V", -1), -1);
    EXPECT_EQ(runner.findEntry(kDepthCountName, 2), 3);
    EXPECT_EQ(runner.findEntry(kDepthCountName, 5), -1); // from the last index
    EXPECT_EQ(runner.findEntry(u"v", -7), 0);
    EXPECT_EQ(runner.findEntry(u"v", 1 << 30), -1);
    EXPECT_EQ(runner.entryValue(2), u"2");
    EXPECT_EQ(runner.entryDepth(2), 1);
    EXPECT_EQ(runner.entryDepth(3), 0);
    EXPECT_EQ(runner.entryValue(6), u"");
    EXPECT_EQ(runner.entryDepth(6), -1);
    EXPECT_EQ(runner.entryDepth(-1), -1);
}

TEST_F(RunnerOutput, FailedRunServesNothing) {
    // The first value is recorded before the second item fails.
    EXPECT_FALSE(run("<p>x</p>", "<item action='[Extract]' token='&lt;/p&gt;' variable='a'/>"
                                 "<item action='[Extract]' token='&lt;/h1&gt;' variable='b'/>"));
    EXPECT_EQ(runner.findEntry(u"a", -1), -1);
    EXPECT_EQ(runner.entryValue(0), u"");
    EXPECT_EQ(runner.entryDepth(0), -1);
    EXPECT_EQ(runner.kelpoText(), u"");
    EXPECT_EQ(runner.tildeText(), u"");
}

TEST_F(RunnerOutput, NestedRunWritesBalancedKelpo) {
    ASSERT_TRUE(run("<table><tr><td>1</td><td>2</td></tr><tr><td>3</td></tr></table>",
                    "<item action='[StartLoop]' token='&lt;table&gt;' variable=''/>"
                    "<item action='[StartLoop]' token='&lt;tr&gt;' variable=''/>"
                    "<item action='[MoveTo]' token='&lt;td&gt;' variable=''/>"
                    "<item action='[Extract]' token='&lt;/td&gt;' variable='cell'/>"
                    "<item action='[EndLoop]' token='&lt;/tr&gt;' variable=''/>"
                    "<item action='[EndLoop]' token='&lt;/table&gt;' variable=''/>"))
        << toUtf8(runner.errorText());
    const std::string kelpo = toUtf8(runner.kelpoText());
    EXPECT_TRUE(recordsBalance(kelpo)) << kelpo;
    EXPECT_EQ(kelpo, "<kelpo>\n"
                     "    <record>\n"
                     "        <record>\n"
                     "            <item name='cell' value='1'/>\n"
                     "        </record>\n"
                     "        <record>\n"
                     "            <item name='cell' value='2'/>\n"
                     "        </record>\n"
                     "    </record>\n"
                     "    <record>\n"
                     "        <record>\n"
                     "            <item name='cell' value='3'/>\n"
                     "        </record>\n"
                     "    </record>\n"
                     "</kelpo>\n");
    EXPECT_EQ(toUtf8(runner.tildeText()), "cell~2~1\ncell~2~2\ncell~2~3\n");
}

} // namespace
} // namespace zelvon
