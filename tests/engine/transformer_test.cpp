#include "engine/transformer.h"

#include "engine/scrambled_file.h"
#include "foundation/entity_codec.h"
#include "foundation/file_io.h"
#include "foundation/text_codec.h"
#include "support/local_http_server.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <mutex>
#include <string>
#include <vector>

namespace zelvon {
namespace {

const std::string kDetailPage = "<html><h1>Widget Pro</h1>\n"
                                "<table><tr><td>1.0</td><td>alpha</td></tr>\n"
                                "<tr><td>2.0</td><td>beta's</td></tr>\n"
                                "<tr><td>3.0</td><td>gamma</td></tr></table></html>\n";

std::string item(const std::string& action, const std::string& token, const std::string& variable = "") {
    return "<item action='" + action + "' token='" + toUtf8(EntityCodec::escapeMarkup(u16(token))) +
           "' variable='" + variable + "'/>";
}

// The product name at depth 0.
std::string nameScript(const std::string& url) {
    return "<extraction>\n<source url='" + url + "' cache=''/>\n" + item("[MoveTo]", "<h1>") + "\n" +
           item("[Extract]", "</h1>", "productName") + "\n</extraction>\n";
}

// Version and note of each table row, at depth 1.
std::string versionsScript(const std::string& url) {
    return "<extraction>\n<source url='" + url + "' cache=''/>\n" + item("[StartLoop]", "<table>") + "\n" +
           item("[MoveTo]", "<td>") + "\n" + item("[Extract]", "</td>", "version") + "\n" + item("[MoveTo]", "<td>") +
           "\n" + item("[Extract]", "</td>", "note") + "\n" + item("[EndLoop]", "</table>") + "\n</extraction>\n";
}

// Both of the above in one script.
std::string detailScript(const std::string& url) {
    const std::string name = nameScript(url);
    const std::string versions = versionsScript(url);
    const size_t loopStart = versions.find("<item");
    return name.substr(0, name.find("</extraction>")) + versions.substr(loopStart);
}

std::string transformerFile(const std::string& form, const std::string& kind, const std::string& body) {
    return "~~~~~~" + form + "~~~~~~\n~~~~~~" + kind + "~~~~~~\nProduct detail\n" + body;
}

std::string crlf(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c == '\n')
            out += '\r';
        out += c;
    }
    return out;
}

const std::string kTildeLines = "productName~0~Widget Pro\n"
                                "version~1~1.0\nnote~1~alpha\n"
                                "version~1~2.0\nnote~1~beta's\n"
                                "version~1~3.0\nnote~1~gamma\n";

const std::string kKelpo = "<kelpo>\n"
                           "    <item name='productName' value='Widget Pro'/>\n"
                           "    <record>\n"
                           "        <item name='version' value='1.0'/>\n"
                           "        <item name='note' value='alpha'/>\n"
                           "    </record>\n"
                           "    <record>\n"
                           "        <item name='version' value='2.0'/>\n"
                           "        <item name='note' value='beta&#039;s'/>\n"
                           "    </record>\n"
                           "    <record>\n"
                           "        <item name='version' value='3.0'/>\n"
                           "        <item name='note' value='gamma'/>\n"
                           "    </record>\n"
                           "</kelpo>\n";

const std::string kTemplate = "<root>\n<product name='[vex:detail:productName:EXML:vex]'>"
                              "[vex:StartLoop:vex]<v n='[vex:versions:version:vex]' "
                              "t='[vex:versions:note:EXML:vex]'/>[vex:EndLoop:vex]</product>\n</root>\n";
const std::string kTemplateOutput = "<root>\n<product name='Widget Pro'><v n='1.0' t='alpha'/>"
                                    "<v n='2.0' t='beta&#039;s'/><v n='3.0' t='gamma'/></product>\n</root>\n";

class TransformerTest : public ::testing::Test {
protected:
    void SetUp() override {
        server.server().Get(R"(/[\w.]+)", [this](const httplib::Request& request, httplib::Response& response) {
            std::lock_guard<std::mutex> lock(mutex);
            ++hits[request.path];
            const auto page = pages.find(request.path);
            if (page == pages.end()) {
                response.status = 404;
                return;
            }
            response.set_content(page->second, "text/html");
        });
        pages["/detail.htm"] = kDetailPage;
        pages["/versions.htm"] = kDetailPage;
        server.start();
        for (const char* folder : {"cache", "data", "scripts"})
            std::filesystem::create_directories(app.path() / folder);
    }

    void TearDown() override { setBeforeRenameHookForTesting(nullptr); }

    int hitCount(const std::string& path) {
        std::lock_guard<std::mutex> lock(mutex);
        const auto found = hits.find(path);
        return found == hits.end() ? 0 : found->second;
    }
    int totalHits() {
        std::lock_guard<std::mutex> lock(mutex);
        int total = 0;
        for (const auto& [path, count] : hits)
            total += count;
        return total;
    }

    std::string url(const std::string& path) const { return server.url(path); }
    std::u16string scriptPath() const { return app.u16file("scripts/transformer.txt"); }
    std::u16string outputPath() const { return app.u16file("cache/out.txt"); }
    std::string output() const { return app.read("cache/out.txt"); }

    bool run(const std::string& scriptText, const std::string& pageUrl) {
        app.write("scripts/transformer.txt", scriptText);
        return runFile(scriptPath(), pageUrl);
    }
    bool runFile(const std::u16string& script, const std::string& pageUrl) {
        transformer.setWorkspacePath(app.u16file("cache/workspace.htm"));
        return transformer.run(script, outputPath(), u16(pageUrl));
    }
    std::string errors() const { return toUtf8(transformer.errorText()); }

    std::string inlineBody(const std::string& detailUrl, const std::string& versionsUrl) const {
        return nameScript(detailUrl) + "[vex:endscript:detail]\n" + versionsScript(versionsUrl) +
               "[vex:endscript:versions]\n[vex:customstart]\n" + kTemplate;
    }

    test::TempDir app;
    std::mutex mutex;
    std::map<std::string, int> hits;
    std::map<std::string, std::string> pages;
    test::LocalHttpServer server; // after what its handler touches, so it stops first
    Transformer transformer{app.u16path()};
};

// ---------------------------------------------------------------- VEX and XML

TEST_F(TransformerTest, RuntimeFormReadsTheCallersPageWhenGiven) {
    ASSERT_TRUE(run(transformerFile("KELPORUNTIME", "VEX", detailScript(url("/elsewhere.htm"))), url("/detail.htm")))
        << errors();
    EXPECT_EQ(output(), crlf(kTildeLines));
    EXPECT_EQ(hitCount("/detail.htm"), 1);
    EXPECT_EQ(hitCount("/elsewhere.htm"), 0);
    EXPECT_EQ(app.read("cache/workspace.htm"), kDetailPage);
    EXPECT_EQ(errors(), "");

    ASSERT_TRUE(run(transformerFile("KELPORUNTIME", "XML", detailScript(url("/versions.htm"))), "")) << errors();
    EXPECT_EQ(output(), crlf(kKelpo));
    EXPECT_EQ(hitCount("/versions.htm"), 1);
}

TEST_F(TransformerTest, FileFormRunsTheNamedDataScriptAndIgnoresThePageUrl) {
    app.write("data/detail.xml", detailScript(url("/detail.htm")));
    ASSERT_TRUE(run(transformerFile("KELPO", "XML", "detail.xml  \t\n"), url("/elsewhere.htm"))) << errors();
    EXPECT_EQ(output(), crlf(kKelpo));
    EXPECT_EQ(hitCount("/detail.htm"), 1);
    EXPECT_EQ(hitCount("/elsewhere.htm"), 0);

    // CR LF line ends, and the same file scrambled.
    const std::string crlfFile = crlf(transformerFile("KELPO", "VEX", "detail.xml\n"));
    ASSERT_TRUE(run(crlfFile, "")) << errors();
    EXPECT_EQ(output(), crlf(kTildeLines));
    ASSERT_TRUE(ScrambledFile::scramble(scriptPath(), u""));
    ASSERT_EQ(app.read("scripts/transformer.txt").substr(0, 8), "ENCMARLO");
    ASSERT_TRUE(runFile(scriptPath(), "")) << errors();
    EXPECT_EQ(output(), crlf(kTildeLines));
}

// ---------------------------------------------------------------- CUSTOM

TEST_F(TransformerTest, CustomRuntimeFormDownloadsTheGivenPageOncePerScript) {
    ASSERT_TRUE(run(transformerFile("KELPORUNTIME", "CUSTOM", inlineBody(url("/a.htm"), url("/b.htm"))),
                    url("/detail.htm")))
        << errors();
    EXPECT_EQ(output(), crlf(kTemplateOutput));
    EXPECT_EQ(hitCount("/detail.htm"), 2);
    EXPECT_EQ(totalHits(), 2);
}

TEST_F(TransformerTest, CustomScriptsWithoutPageUrlFetchTheirOwnSources) {
    ASSERT_TRUE(run(transformerFile("KELPORUNTIME", "CUSTOM", inlineBody(url("/detail.htm"), url("/versions.htm"))), ""))
        << errors();
    EXPECT_EQ(output(), crlf(kTemplateOutput));
    EXPECT_EQ(hitCount("/detail.htm"), 1);
    EXPECT_EQ(hitCount("/versions.htm"), 1);
}

TEST_F(TransformerTest, FileFormTemplateIsCompiledScrambledAndRunnable) {
    app.write("data/detail", nameScript(url("/detail.htm")));
    app.write("data/versions", versionsScript(url("/versions.htm")));
    ASSERT_TRUE(run(transformerFile("KELPO", "CUSTOM", kTemplate), "")) << errors();
    EXPECT_EQ(output(), crlf(kTemplateOutput));

    // A failing download leaves the compiled script in the output file.
    const std::string missing = url("/missing.htm");
    EXPECT_FALSE(run(transformerFile("KELPO", "CUSTOM", kTemplate), missing));
    EXPECT_EQ(errors(), "Could not download:  " + missing + "\n\n");
    ASSERT_EQ(output().substr(0, 8), "ENCMARLO");
    std::string compiled;
    ASSERT_TRUE(ScrambledFile::read(outputPath(), compiled));
    EXPECT_EQ(compiled, crlf("~~~~~~KELPORUNTIME~~~~~~\n~~~~~~CUSTOM~~~~~~\nProduct detail\n" +
                             nameScript(url("/detail.htm")) + "[vex:endscript:detail]\n" +
                             versionsScript(url("/versions.htm")) + "[vex:endscript:versions]\n" +
                             "[vex:customstart]\n" + kTemplate));

    // The compiled file is a runtime-form script in its own right.
    const std::u16string compiledPath = app.u16file("scripts/compiled.txt");
    std::filesystem::copy_file(app.file("cache/out.txt"), app.file("scripts/compiled.txt"));
    ASSERT_TRUE(runFile(compiledPath, "")) << errors();
    EXPECT_EQ(output(), crlf(kTemplateOutput));
}

TEST_F(TransformerTest, TemplateErrorStillWritesTheTextBeforeIt) {
    const std::string body = nameScript(url("/detail.htm")) +
                             "[vex:endscript:detail]\n[vex:customstart]\nhead [vex:detail:productName:vex] tail "
                             "[vex:detail:productName\nmore\n";
    EXPECT_FALSE(run(transformerFile("KELPORUNTIME", "CUSTOM", body), ""));
    EXPECT_EQ(errors(), "Error: Transformation script contains unterminated [vex: prefix.\n");
    EXPECT_EQ(output(), "head Widget Pro tail ");
}

TEST_F(TransformerTest, FinalLineFeedAddsNoLineAndZeroByteEndsTheScript) {
    ASSERT_TRUE(run(transformerFile("KELPORUNTIME", "CUSTOM", "[vex:customstart]\nhello\n"), "")) << errors();
    EXPECT_EQ(output(), "hello\r\n");
    ASSERT_TRUE(run(transformerFile("KELPORUNTIME", "CUSTOM", "[vex:customstart]\nhello\n") + std::string(1, '\0') +
                        "ignored\n",
                    ""))
        << errors();
    EXPECT_EQ(output(), "hello\r\n");
    // Trailing blanks go with the line feed; a last line without one keeps them.
    ASSERT_TRUE(run(transformerFile("KELPORUNTIME", "CUSTOM", "[vex:customstart]  \r\nhello  \r\nbye  "), ""))
        << errors();
    EXPECT_EQ(output(), "hello\r\nbye  \r\n");
}

// ---------------------------------------------------------------- failures

TEST_F(TransformerTest, EveryFailureExplainsItself) {
    const std::string script = app.file("scripts/transformer.txt");
    const std::string out = app.file("cache/out.txt");
    const std::string missing = url("/missing.htm");
    struct Case {
        const char* name;
        std::string scriptText;
        std::string pageUrl;
        std::string error;
    };
    const std::vector<Case> cases = {
        {"unknown form", transformerFile("KELPOX", "VEX", "x\n"), "", "Invalid Transformer File:  " + script + "\n"},
        {"kind in the wrong case", transformerFile("KELPO", "vex", "x\n"), "",
         "Invalid Transformer File:  " + script + "\n"},
        {"only a first line", "~~~~~~KELPO~~~~~~\n", "", ""},
        {"empty file", "", "", ""},
        {"data script missing", transformerFile("KELPO", "XML", "missing.xml \n"), "",
         "Error: Could not execute Transformation script.\n\nCould not Open:  " + app.file("data/missing.xml") + "\n"},
        {"download failed", transformerFile("KELPORUNTIME", "VEX", detailScript(missing)), "",
         "Error: Could not execute Transformation script.\n\nCould not download:  " + missing + "\n"},
        {"inline download failed",
         transformerFile("KELPORUNTIME", "CUSTOM", nameScript(missing) + "[vex:endscript:d]\n[vex:customstart]\nx\n"),
         "", "Could not download:  " + missing + "\n\n"},
        {"no template marker",
         transformerFile("KELPORUNTIME", "CUSTOM", nameScript(url("/detail.htm")) + "[vex:endscript:d]\nx\n"), "",
         "Error: could not find [vex:customstart] in script.\n"},
        {"template never closes its loop",
         transformerFile("KELPORUNTIME", "CUSTOM", "[vex:customstart]\n[vex:StartLoop:vex]x\n"), "",
         "Error: Transformation script is missing matching [vex:EndLoop:vex].\n"},
        {"template names a missing script", transformerFile("KELPO", "CUSTOM", "[vex:nothere:field:vex]\n"), "",
         "Error: Could not open Transformation script:  " + app.file("data/nothere") +
             "\n\nError: Could not create Temporary Inline File...\n" + out},
        {"template with an unclosed tag", transformerFile("KELPO", "CUSTOM", "[vex:StartLoop:vex][vex:d:f\n"), "",
         "Error: Transformation script contains unterminated [vex: prefix.\n"
         "Error: Could not create Temporary Inline File...\n" +
             out},
    };
    for (const auto& c : cases) {
        EXPECT_FALSE(run(c.scriptText, c.pageUrl)) << c.name;
        EXPECT_EQ(errors(), c.error) << c.name;
    }
    std::filesystem::remove(script);
    EXPECT_FALSE(runFile(scriptPath(), ""));
    EXPECT_EQ(errors(), "Could not Open:  " + script + "\n");
}

TEST_F(TransformerTest, UnclosedScriptMarkerFailsBeforeAnyDownload) {
    // Any later "]" would end the name, so the marker is unclosed only
    // when none follows at all.
    const std::string body = nameScript(url("/detail.htm")) + "[vex:endscript:detail]\n" +
                             "[vex:customstart]\nhead [vex:detail:productName:vex] [vex:endscript:tail\n";
    EXPECT_FALSE(run(transformerFile("KELPORUNTIME", "CUSTOM", body), ""));
    EXPECT_EQ(errors(), "Error: Transformation script contains unterminated [vex: prefix.\n");
    EXPECT_EQ(totalHits(), 0);
}

TEST_F(TransformerTest, UnwritableOutputIsAFailureAndKeepsTheOldFile) {
    const std::string vex = transformerFile("KELPORUNTIME", "VEX", detailScript(url("/detail.htm")));
    const std::string custom = transformerFile("KELPORUNTIME", "CUSTOM", "[vex:customstart]\nx\n");

    // No folder to create the file in.
    app.write("scripts/transformer.txt", vex);
    const std::u16string nowhere = app.u16file("no-such-folder/out.txt");
    EXPECT_FALSE(transformer.run(scriptPath(), nowhere, u""));
    EXPECT_EQ(errors(), "Error: Could not create file...\n" + toUtf8(nowhere));

    // The file is created but cannot be written out (as on a full disk).
    const std::string out = app.file("cache/out.txt");
    for (const std::string& script : {vex, custom}) {
        app.write("cache/out.txt", "previous");
        setBeforeRenameHookForTesting([out](const std::string& target) { return target != out; });
        EXPECT_FALSE(run(script, ""));
        setBeforeRenameHookForTesting(nullptr);
        EXPECT_EQ(errors(), "Error: Could not create file...\n" + out);
        EXPECT_EQ(output(), "previous");
    }
}

TEST_F(TransformerTest, EachRunStartsAfresh) {
    EXPECT_FALSE(run(transformerFile("KELPORUNTIME", "VEX", detailScript(url("/missing.htm"))), ""));
    EXPECT_FALSE(errors().empty());
    ASSERT_TRUE(run(transformerFile("KELPORUNTIME", "CUSTOM", inlineBody(url("/detail.htm"), url("/detail.htm"))), ""))
        << errors();
    EXPECT_EQ(errors(), "");
    EXPECT_EQ(output(), crlf(kTemplateOutput));
    ASSERT_TRUE(run(transformerFile("KELPORUNTIME", "CUSTOM", inlineBody(url("/a.htm"), url("/b.htm"))),
                    url("/detail.htm")))
        << errors();
    // The page URL of the earlier run is not remembered.
    ASSERT_TRUE(run(transformerFile("KELPORUNTIME", "CUSTOM", inlineBody(url("/detail.htm"), url("/versions.htm"))),
                    ""))
        << errors();
    EXPECT_EQ(hitCount("/versions.htm"), 1);
    EXPECT_EQ(hitCount("/a.htm") + hitCount("/b.htm"), 0);
}

} // namespace
} // namespace zelvon
