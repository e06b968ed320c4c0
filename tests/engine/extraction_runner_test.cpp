// A runner end to end: script text or file in, page from a saved copy or a
// local server, entries, lookups and messages out.

#include "engine/extraction_runner.h"
#include "engine_test_support.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace zelvon {
namespace {

using test::extractionScript;
using test::scriptItem;

const std::string kParagraphItems = scriptItem("[MoveTo]", "<p>") + scriptItem("[Extract]", "</p>", "a");

class RunnerTest : public ::testing::Test {
protected:
    bool runCached(const std::string& scriptText) { return runner.runScriptText(u16(scriptText), true, u""); }
    std::string errors() const { return toUtf8(runner.errorText()); }

    test::TempDir app;
    ExtractionRunner runner{app.u16path()};
};

TEST_F(RunnerTest, ReadsSavedPages) {
    struct Case {
        const char* what;
        std::string savedAs;
        std::string page;
        std::string script;
        std::string tilde;
    };
    const Case cases[] = {
        {"tokens written with entities; &amp; is not one", "page.htm",
         "<html><h1>Zelvon &amp; Co</h1><table><tr><td>1.0</td></tr><tr><td>1.1</td></tr></table>",
         extractionScript("<item action='[MoveTo]' token='&lt;h1&gt;' variable=''/>"
                          "<item action='[Extract]' token='&lt;/h1&gt;' variable='name'/>"
                          "<item action='[StartLoop]' token='&lt;table' variable=''/>"
                          "<item action='[MoveTo]' token='&lt;td&gt;' variable=''/>"
                          "<item action='[Extract]' token='&lt;/td&gt;' variable='version'/>"
                          "<item action='[EndLoop]' token='&lt;/table&gt;' variable=''/>"),
         "name~0~Zelvon &amp; Co\nversion~1~1.0\nversion~1~1.1\n"},
        {"only item and source children count, the last source wins", "second.htm", "<b>bold</b><i>it's</i>",
         "<extraction><source url='' cache='first.htm'/><note action='[MoveTo]' token='&lt;b&gt;'/>"
         "<Item action='[MoveTo]' token='&lt;b&gt;'/><item action='[MoveTo]' token='&lt;i&gt;'/>"
         "<item action='[Extract]' token='&#039;' variable='beforeQuote'/>"
         "<item action='[Extract]' token='&lt;/i&gt;' variable='rest'/>"
         "<item action='[Extract]' variable='noToken'/><source url='' cache='second.htm'/></extraction>",
         "beforeQuote~0~it\nrest~0~s\nnoToken~0~\n"},
        {"a source without items", "page.htm", "x", "<extraction><source url='' cache='page.htm'/></extraction>", ""},
        {"UTF-8 page", "page.htm", "<p>caf\xC3\xA9 \xE2\x82\xAC</p>", extractionScript(kParagraphItems),
         "a~0~caf\xC3\xA9 \xE2\x82\xAC\n"},
        {"Windows-1252 page", "page.htm", "<p>caf\xE9 \x80</p>", extractionScript(kParagraphItems),
         "a~0~caf\xC3\xA9 \xE2\x82\xAC\n"},
        {"a backslash in the saved page's name is a folder", "shop/detail.htm", "<p>deep</p>",
         extractionScript(kParagraphItems, "", "shop\\detail.htm"), "a~0~deep\n"},
    };
    for (const Case& c : cases) {
        app.write("web/" + c.savedAs, c.page);
        EXPECT_TRUE(runCached(c.script)) << c.what << ": " << errors();
        EXPECT_EQ(toUtf8(runner.tildeText()), c.tilde) << c.what;
    }
}

TEST_F(RunnerTest, FailuresAppendTheirExactMessages) {
    app.write("web/page.htm", std::string("<p>one</p>\0<p>two</p>", 22));
    const std::string web = app.file("web/");
    const std::pair<std::string, std::string> cases[] = {
        // No usable source element names the folder itself, which is no page.
        {"", "Could not LoadSourceData:  " + web + "\n"},
        {"plain words", "Could not LoadSourceData:  " + web + "\n"},
        {"<other><item action='[MoveTo]' token='x'/></other>", "Could not LoadSourceData:  " + web + "\n"},
        {extractionScript(kParagraphItems, "", "absent.htm"), "Could not LoadSourceData:  " + web + "absent.htm\n"},
        // Loops are checked before the page is read.
        {extractionScript(scriptItem("[EndLoop]", "x") + scriptItem("[StartLoop]", "y"), "", "absent.htm"),
         "Extra [EndLoop] found.\n"},
        {extractionScript(scriptItem("[StartLoop]", "y"), "", "absent.htm"), "Too many unmatched [StartLoop]\n"},
        {extractionScript(kParagraphItems + scriptItem("[Extract]", "</h1>", "b")), "\nCould not find [Extract]:  </h1>"},
        // The page ends at its first zero byte.
        {extractionScript(kParagraphItems + scriptItem("[MoveTo]", "two")), "\nCould not find [MoveTo]:  two"},
    };
    for (const auto& [script, error] : cases) {
        EXPECT_FALSE(runCached(script)) << script;
        EXPECT_EQ(errors(), error) << script;
        EXPECT_FALSE(runner.ok());
        // Values recorded before a failure are not served.
        EXPECT_EQ(runner.findEntry(u"a", -1), -1);
        EXPECT_EQ(runner.entryValue(0), u"");
        EXPECT_EQ(runner.entryDepth(0), -1);
        EXPECT_EQ(runner.kelpoText(), u"");
        EXPECT_EQ(runner.tildeText(), u"");
    }
}

TEST_F(RunnerTest, LookupsWalkTheEntryList) {
    app.write("web/page.htm", "<td>1</td><td>2</td>");
    ASSERT_TRUE(runCached(extractionScript(scriptItem("[StartLoop]", "") + scriptItem("[MoveTo]", "<td>") +
                                           scriptItem("[Extract]", "</td>", "v") + scriptItem("[EndLoop]", ""))))
        << errors();
    // v, marker, v, marker, then the pass that found nothing closes with its
    // marker and the loop's own.
    EXPECT_EQ(runner.findEntry(u"v", -1), 0);
    EXPECT_EQ(runner.findEntry(u"v", 0), 2);
    EXPECT_EQ(runner.findEntry(u"v", 2), -1);
    EXPECT_EQ(runner.findEntry(u"V", -1), -1);
    EXPECT_EQ(runner.findEntry(u"::depthcount::", 2), 3);
    EXPECT_EQ(runner.findEntry(u"::depthcount::", 5), -1); // from the last index
    EXPECT_EQ(runner.findEntry(u"v", 1 << 30), -1);
    EXPECT_EQ(runner.entryValue(2), u"2");
    EXPECT_EQ(runner.entryDepth(2), 1);
    EXPECT_EQ(runner.entryDepth(3), 0);
    EXPECT_EQ(runner.entryValue(6), u"");
    EXPECT_EQ(runner.entryDepth(6), -1);
    EXPECT_EQ(runner.entryDepth(-1), -1);
}

TEST_F(RunnerTest, ScriptFilesAndRepeatedRuns) {
    app.write("web/page.htm", "<p>a</p>\n<p>b</p><p>c</p>");
    // CR LF line ends; the token spans two lines of the file and so holds
    // exactly one line feed once the lines are joined.
    app.write("script.xml", "<extraction>\r\n<source url='' cache='page.htm'/>\r\n"
                            "<item action='[MoveTo]' token='&lt;/p&gt;\r\n&lt;p&gt;' variable=''/>\r\n"
                            "<item action='[Extract]' token='&lt;/p&gt;' variable='second'/>\r\n</extraction>\r\n");
    ASSERT_TRUE(runner.runScriptFile(app.u16file("script.xml"), true)) << errors();
    EXPECT_EQ(test::entryValues(runner, "second"), "b");
    ASSERT_TRUE(runner.runScriptFileWithUrl(app.u16file("script.xml"), true, u"http://ignored.invalid/"));
    EXPECT_EQ(test::entryValues(runner, "second"), "b");

    // A failing run starts afresh: nothing of the previous one is served,
    // also when the script file cannot even be opened.
    EXPECT_FALSE(runCached(extractionScript(scriptItem("[MoveTo]", "nowhere"))));
    EXPECT_EQ(errors(), "\nCould not find [MoveTo]:  nowhere");
    EXPECT_EQ(runner.findEntry(u"second", -1), -1);
    ASSERT_TRUE(runner.runScriptFile(app.u16file("script.xml"), true));
    EXPECT_FALSE(runner.runScriptFile(app.u16file("absent.xml"), true));
    EXPECT_EQ(errors(), "Could not Open:  " + app.file("absent.xml") + "\n");
    EXPECT_EQ(runner.findEntry(u"second", -1), -1);
}

// Downloads from a server on 127.0.0.1 started by each test.
class RunnerDownloadTest : public RunnerTest {
protected:
    void SetUp() override {
        pages.set("/detail.htm", "<h1>detail</h1>");
        pages.set("/other.htm", "<h1>other</h1>");
    }
    std::string headingScript(const std::string& url) {
        return extractionScript(scriptItem("[MoveTo]", "<h1>") + scriptItem("[Extract]", "</h1>", "heading"), url);
    }
    test::PageServer pages;
};

TEST_F(RunnerDownloadTest, FetchesTheSourceOrTheOverrideIntoTheWorkFile) {
    ASSERT_TRUE(runner.runScriptText(u16(headingScript(pages.url("/detail.htm"))), false, u"")) << errors();
    EXPECT_EQ(test::entryValues(runner, "heading"), "detail");
    EXPECT_EQ(app.read("workspace.htm"), "<h1>detail</h1>"); // the default work file

    std::filesystem::create_directories(app.path() / "cache");
    runner.setWorkspacePath(app.u16file("cache/workspace.htm"));
    ASSERT_TRUE(runner.runScriptText(u16(headingScript(pages.url("/detail.htm"))), false, u16(pages.url("/other.htm"))));
    EXPECT_EQ(test::entryValues(runner, "heading"), "other");
    EXPECT_EQ(app.read("cache/workspace.htm"), "<h1>other</h1>");

    // An empty script still fetches its page and succeeds with no entries.
    ASSERT_TRUE(runner.runScriptText(u"", false, u16(pages.url("/other.htm"))));
    EXPECT_EQ(runner.kelpoText(), u"<kelpo>\n</kelpo>\n");
    EXPECT_EQ(pages.hits("/detail.htm"), 1);
    EXPECT_EQ(pages.hits("/other.htm"), 2);
}

TEST_F(RunnerDownloadTest, DownloadsOnlyWhenTheyAreNeededAndNamesAFailedOne) {
    const std::string missing = pages.url("/missing.htm");
    EXPECT_FALSE(runner.runScriptText(u16(headingScript(missing)), false, u""));
    EXPECT_EQ(errors(), "Could not download:  " + missing + "\n");
    EXPECT_FALSE(runner.ok());

    app.write("web/page.htm", "<h1>saved</h1>");
    ASSERT_TRUE(runner.runScriptText(u16(headingScript(pages.url("/detail.htm"))), true, u""));
    EXPECT_EQ(test::entryValues(runner, "heading"), "saved");
    EXPECT_FALSE(runner.runScriptText(u16(extractionScript(scriptItem("[EndLoop]", "x"), pages.url("/detail.htm"))),
                                      false, u""));
    EXPECT_EQ(errors(), "Extra [EndLoop] found.\n");
    EXPECT_EQ(pages.totalHits(), 1);
}

TEST_F(RunnerDownloadTest, ProxyTextIsHostColonPort) {
    // The local server plays the proxy: the request names the whole address.
    runner.setProxy(u"127.0.0.1", u16(std::to_string(pages.port())));
    runner.setUseProxy(1);
    ASSERT_TRUE(runner.runScriptText(u16(headingScript("http://store.invalid/other.htm")), false, u"")) << errors();
    EXPECT_EQ(test::entryValues(runner, "heading"), "other");
}

} // namespace
} // namespace zelvon
