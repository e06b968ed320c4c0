// A runner end to end: script text or file in, page from a saved copy or a
// local server, entries and messages out.

#include "engine/extraction_runner.h"
#include "foundation/text_codec.h"
#include "support/local_http_server.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <mutex>
#include <string>

namespace zelvon {
namespace {

// "<extraction><source .../>" + items + "</extraction>"; each item is
// {action, token, variable} written as the script's own attribute text.
std::string script(std::initializer_list<std::array<const char*, 3>> items, const std::string& url = "",
                   const std::string& cache = "page.htm") {
    std::string text = "<extraction>\n<source url='" + url + "' cache='" + cache + "'/>\n";
    for (const auto& i : items)
        text += std::string("<item action='") + i[0] + "' token='" + i[1] + "' variable='" + i[2] + "'/>\n";
    return text + "</extraction>\n";
}

std::string values(const ExtractionRunner& runner, const char* name) {
    std::string out;
    for (int i = runner.findEntry(u16(name), -1); i >= 0; i = runner.findEntry(u16(name), i))
        out += (out.empty() ? "" : ",") + toUtf8(runner.entryValue(i));
    return out;
}

class RunnerFromCache : public ::testing::Test {
protected:
    void savePage(const std::string& bytes, const std::string& name = "page.htm") { app.write("web/" + name, bytes); }
    bool run(const std::string& scriptText) { return runner.runScriptText(u16(scriptText), true, u""); }

    test::TempDir app;
    ExtractionRunner runner{app.u16path()};
};

TEST_F(RunnerFromCache, ReadsTheSavedPageWithEntityEscapedTokens) {
    savePage("<html><h1>Zelvon &amp; Co</h1><table><tr><td>1.0</td></tr><tr><td>1.1</td></tr></table>");
    ASSERT_TRUE(run(script({{"[MoveTo]", "&lt;h1&gt;", ""},
                            {"[Extract]", "&lt;/h1&gt;", "productName"},
                            {"[StartLoop]", "&lt;table", ""},
                            {"[MoveTo]", "&lt;td&gt;", ""},
                            {"[Extract]", "&lt;/td&gt;", "productVersion"},
                            {"[EndLoop]", "&lt;/table&gt;", ""}})))
        << toUtf8(runner.errorText());
    EXPECT_TRUE(runner.ok());
    // "&amp;" is not an escape of the script: the page keeps its own.
    EXPECT_EQ(values(runner, "productName"), "Zelvon &amp; Co");
    EXPECT_EQ(values(runner, "productVersion"), "1.0,1.1");
    EXPECT_EQ(runner.entryDepth(runner.findEntry(u"productVersion", -1)), 1);
    EXPECT_TRUE(runner.errorText().empty());
}

TEST_F(RunnerFromCache, TakesOnlyItemAndSourceChildrenAndTheLastSource) {
    savePage("<b>bold</b><i>it's</i>", "second.htm");
    const std::string text = "<extraction>"
                             "<source url='' cache='first.htm'/>"
                             "<note action='[MoveTo]' token='&lt;b&gt;'/>"
                             "<Item action='[MoveTo]' token='&lt;b&gt;'/>"
                             "<item action='[MoveTo]' token='&lt;i&gt;'/>"
                             "<item action='[Extract]' token='&#039;' variable='beforeQuote'/>"
                             "<item action='[Extract]' token='&lt;/i&gt;' variable='rest'/>"
                             "<item action='[Extract]' variable='missingToken'/>"
                             "<source url='' cache='second.htm'/>"
                             "</extraction>";
    ASSERT_TRUE(run(text)) << toUtf8(runner.errorText());
    EXPECT_EQ(values(runner, "beforeQuote"), "it");
    EXPECT_EQ(values(runner, "rest"), "s");
    EXPECT_EQ(values(runner, "missingToken"), "");
    EXPECT_EQ(runner.findEntry(u"missingToken", -1), 2);
}

TEST_F(RunnerFromCache, ScriptWithoutItemsStillNeedsItsPage) {
    savePage("anything");
    for (const char* text : {"", "plain words", "<other><item action='[MoveTo]' token='x'/></other>", "<extraction/>"}) {
        EXPECT_FALSE(run(text)) << text;
        // No usable source element: the saved-page name is empty, which
        // names the folder itself, and a folder cannot be loaded.
        EXPECT_EQ(runner.errorText(), u"Could not LoadSourceData:  " + app.u16path() + u"/web/\n") << text;
    }
    ASSERT_TRUE(run("<extraction><source url='' cache='page.htm'/></extraction>"));
    EXPECT_EQ(runner.kelpoText(), u"<kelpo>\n</kelpo>\n");
}

TEST_F(RunnerFromCache, UnbalancedLoopsFailBeforeThePageIsRead) {
    // No page is saved: the loop check must come first to give these messages.
    EXPECT_FALSE(run(script({{"[EndLoop]", "x", ""}, {"[StartLoop]", "y", ""}})));
    EXPECT_EQ(runner.errorText(), u"Extra [EndLoop] found.\n");
    EXPECT_FALSE(run(script({{"[StartLoop]", "y", ""}})));
    EXPECT_EQ(runner.errorText(), u"Too many unmatched [StartLoop]\n");
    EXPECT_FALSE(runner.ok());
}

TEST_F(RunnerFromCache, MissingPageAndMissingTokenMessages) {
    EXPECT_FALSE(run(script({{"[MoveTo]", "a", ""}}, "", "absent.htm")));
    EXPECT_EQ(runner.errorText(), u"Could not LoadSourceData:  " + app.u16path() + u"/web/absent.htm\n");

    savePage("<p>x</p>");
    EXPECT_FALSE(run(script({{"[Extract]", "&lt;/p&gt;", "a"}, {"[Extract]", "&lt;/h1&gt;", "b"}})));
    EXPECT_EQ(runner.errorText(), u"\nCould not find [Extract]:  </h1>");
    EXPECT_FALSE(runner.ok());
}

TEST_F(RunnerFromCache, PageEndsAtItsFirstZeroByte) {
    savePage(std::string("<p>one</p>\0<p>two</p>", 22));
    ASSERT_TRUE(run(script({{"[MoveTo]", "&lt;p&gt;", ""}, {"[Extract]", "&lt;/p&gt;", "a"}})));
    EXPECT_EQ(values(runner, "a"), "one");
    EXPECT_FALSE(run(script({{"[MoveTo]", "two", ""}})));
    EXPECT_EQ(runner.errorText(), u"\nCould not find [MoveTo]:  two");
}

TEST_F(RunnerFromCache, PageMayBeUtf8OrWindows1252) {
    const auto scriptText = script({{"[MoveTo]", "&lt;p&gt;", ""}, {"[Extract]", "&lt;/p&gt;", "a"}});
    savePage("<p>caf\xC3\xA9 \xE2\x82\xAC</p>");
    ASSERT_TRUE(run(scriptText));
    EXPECT_EQ(runner.entryValue(0), u"caf\u00E9 \u20AC");
    savePage("<p>caf\xE9 \x80</p>");
    ASSERT_TRUE(run(scriptText));
    EXPECT_EQ(runner.entryValue(0), u"caf\u00E9 \u20AC");
}

TEST_F(RunnerFromCache, BackslashInSavedPageNameMeansAFolder) {
    savePage("<p>deep</p>", "shop/detail.htm");
    ASSERT_TRUE(run(script({{"[MoveTo]", "&lt;p&gt;", ""}, {"[Extract]", "&lt;/p&gt;", "a"}}, "", "shop\\detail.htm")))
        << toUtf8(runner.errorText());
    EXPECT_EQ(values(runner, "a"), "deep");
}

TEST_F(RunnerFromCache, EachRunStartsAfresh) {
    savePage("<p>x</p>");
    ASSERT_TRUE(run(script({{"[MoveTo]", "&lt;p&gt;", ""}, {"[Extract]", "&lt;/p&gt;", "a"}})));
    ASSERT_EQ(runner.findEntry(u"a", -1), 0);

    EXPECT_FALSE(run(script({{"[MoveTo]", "nowhere", ""}})));
    EXPECT_EQ(runner.errorText(), u"\nCould not find [MoveTo]:  nowhere");
    EXPECT_EQ(runner.findEntry(u"a", -1), -1);

    // A script file that cannot be opened must not leave the previous run's
    // entries being served either.
    ASSERT_TRUE(run(script({{"[MoveTo]", "&lt;p&gt;", ""}, {"[Extract]", "&lt;/p&gt;", "a"}})));
    const std::u16string missing = app.u16file("no-such-script.xml");
    EXPECT_FALSE(runner.runScriptFile(missing, true));
    EXPECT_EQ(runner.errorText(), u"Could not Open:  " + missing + u"\n");
    EXPECT_FALSE(runner.ok());
    EXPECT_EQ(runner.kelpoText(), u"");
}

TEST_F(RunnerFromCache, ScriptFileLinesAreJoinedWithLineFeeds) {
    savePage("<p>a</p>\n<p>b</p><p>c</p>");
    // Written with CR LF line ends; the token spans two lines of the file
    // and so holds exactly one line feed once the lines are joined.
    app.write("script.xml", "<extraction>\r\n<source url='' cache='page.htm'/>\r\n"
                            "<item action='[MoveTo]' token='&lt;/p&gt;\r\n&lt;p&gt;' variable=''/>\r\n"
                            "<item action='[Extract]' token='&lt;/p&gt;' variable='second'/>\r\n"
                            "</extraction>\r\n");
    ASSERT_TRUE(runner.runScriptFile(app.u16file("script.xml"), true)) << toUtf8(runner.errorText());
    EXPECT_EQ(values(runner, "second"), "b");

    ASSERT_TRUE(runner.runScriptFileWithUrl(app.u16file("script.xml"), true, u"http://ignored.invalid/"));
    EXPECT_EQ(values(runner, "second"), "b");
}

// Downloads from a server on 127.0.0.1 started by each test.
class RunnerDownloads : public ::testing::Test {
protected:
    void SetUp() override {
        server.server().Get(R"((?:http://[^/]+)?/(\w+)\.htm)", [this](const httplib::Request& request, httplib::Response& response) {
            ++hits;
            {
                std::lock_guard<std::mutex> lock(mutex);
                lastPath = request.path;
            }
            if (request.matches[1] == "missing") {
                response.status = 404;
                response.set_content("gone", "text/plain");
                return;
            }
            response.set_content("<h1>" + std::string(request.matches[1]) + "</h1>", "text/html");
        });
        server.start();
    }
    std::string path() {
        std::lock_guard<std::mutex> lock(mutex);
        return lastPath;
    }

    test::TempDir app;
    test::LocalHttpServer server;
    std::atomic<int> hits{0};
    std::mutex mutex;
    std::string lastPath;
    ExtractionRunner runner{app.u16path()};
};

std::string headingScript(const std::string& url) {
    return script({{"[MoveTo]", "&lt;h1&gt;", ""}, {"[Extract]", "&lt;/h1&gt;", "heading"}}, url);
}

TEST_F(RunnerDownloads, FetchesTheSourceUrlIntoTheDefaultWorkFile) {
    ASSERT_TRUE(runner.runScriptText(u16(headingScript(server.url("/detail.htm"))), false, u"")) << toUtf8(runner.errorText());
    EXPECT_EQ(values(runner, "heading"), "detail");
    EXPECT_EQ(app.read("workspace.htm"), "<h1>detail</h1>");
    EXPECT_EQ(hits.load(), 1);
}

TEST_F(RunnerDownloads, OverrideUrlAndWorkFileAreUsed) {
    app.write("cache/keep.txt", "");
    runner.setWorkspacePath(app.u16file("cache/workspace.htm"));
    ASSERT_TRUE(runner.runScriptText(u16(headingScript(server.url("/detail.htm"))), false, u16(server.url("/other.htm"))));
    EXPECT_EQ(values(runner, "heading"), "other");
    EXPECT_EQ(path(), "/other.htm");
    EXPECT_EQ(app.read("cache/workspace.htm"), "<h1>other</h1>");
    EXPECT_FALSE(std::filesystem::exists(app.file("workspace.htm")));
}

TEST_F(RunnerDownloads, EmptyScriptStillFetchesAndSucceeds) {
    ASSERT_TRUE(runner.runScriptText(u"", false, u16(server.url("/page.htm"))));
    EXPECT_EQ(hits.load(), 1);
    EXPECT_EQ(runner.findEntry(u"heading", -1), -1);
    EXPECT_EQ(runner.kelpoText(), u"<kelpo>\n</kelpo>\n");
    EXPECT_EQ(runner.tildeText(), u"");
}

TEST_F(RunnerDownloads, FailedDownloadNamesTheUrl) {
    const std::string missing = server.url("/missing.htm");
    EXPECT_FALSE(runner.runScriptText(u16(headingScript(missing)), false, u""));
    EXPECT_EQ(runner.errorText(), u"Could not download:  " + u16(missing) + u"\n");
    EXPECT_FALSE(runner.ok());

    const std::string stopped = server.url("/detail.htm");
    server.stop();
    EXPECT_FALSE(runner.runScriptText(u16(headingScript(stopped)), false, u""));
    EXPECT_EQ(runner.errorText(), u"Could not download:  " + u16(stopped) + u"\n");
}

TEST_F(RunnerDownloads, NothingIsDownloadedInCacheModeOrForABrokenScript) {
    app.write("web/page.htm", "<h1>saved</h1>");
    ASSERT_TRUE(runner.runScriptText(u16(headingScript(server.url("/detail.htm"))), true, u""));
    EXPECT_EQ(values(runner, "heading"), "saved");

    const std::string broken = script({{"[EndLoop]", "x", ""}}, server.url("/detail.htm"));
    EXPECT_FALSE(runner.runScriptText(u16(broken), false, u""));
    EXPECT_EQ(runner.errorText(), u"Extra [EndLoop] found.\n");
    EXPECT_EQ(hits.load(), 0);
}

TEST_F(RunnerDownloads, ProxyTextIsHostColonPort) {
    // The local server plays the proxy: the request reaches it with the
    // page's full address as its target.
    runner.setProxy(u"127.0.0.1", u16(std::to_string(server.port())));
    runner.setUseProxy(1);
    ASSERT_TRUE(runner.runScriptText(u16(headingScript("http://store.invalid/viaproxy.htm")), false, u""))
        << toUtf8(runner.errorText());
    EXPECT_EQ(values(runner, "heading"), "viaproxy");
    EXPECT_EQ(hits.load(), 1);
}

} // namespace
} // namespace zelvon
