// Transformer runs against pages served on 127.0.0.1: the three kinds in
// both forms, compiled and scrambled templates, and every failure message.

#include "engine/transformer.h"

#include "engine/scrambled_file.h"
#include "engine_test_support.h"
#include "foundation/file_io.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace zelvon {
namespace {

using test::scriptItem;

const std::string kDetailPage = "<html><h1>Widget Pro</h1>\n<table><tr><td>1.0</td><td>alpha</td></tr>\n"
                                "<tr><td>2.0</td><td>beta's</td></tr>\n<tr><td>3.0</td><td>gamma</td></tr></table></html>\n";

const std::string kNameItems = scriptItem("[MoveTo]", "<h1>") + scriptItem("[Extract]", "</h1>", "productName");
// Version and note of each table row, at depth 1.
const std::string kVersionItems = scriptItem("[StartLoop]", "<table>") + scriptItem("[MoveTo]", "<td>") +
                                  scriptItem("[Extract]", "</td>", "version") + scriptItem("[MoveTo]", "<td>") +
                                  scriptItem("[Extract]", "</td>", "note") + scriptItem("[EndLoop]", "</table>");

std::string script(const std::string& items, const std::string& url) { return test::extractionScript(items, url, ""); }

std::string transformerFile(const std::string& form, const std::string& kind, const std::string& body) {
    return "~~~~~~" + form + "~~~~~~\n~~~~~~" + kind + "~~~~~~\nProduct detail\n" + body;
}

// How the output file stores text: CR LF line ends.
std::string crlf(const std::string& text) {
    std::string out;
    for (char c : text)
        out += c == '\n' ? std::string("\r\n") : std::string(1, c);
    return out;
}

const std::string kTildeLines =
    "productName~0~Widget Pro\nversion~1~1.0\nnote~1~alpha\nversion~1~2.0\nnote~1~beta's\nversion~1~3.0\nnote~1~gamma\n";
const std::string kKelpo = "<kelpo>\n    <item name='productName' value='Widget Pro'/>\n"
                           "    <record>\n        <item name='version' value='1.0'/>\n"
                           "        <item name='note' value='alpha'/>\n    </record>\n"
                           "    <record>\n        <item name='version' value='2.0'/>\n"
                           "        <item name='note' value='beta&#039;s'/>\n    </record>\n"
                           "    <record>\n        <item name='version' value='3.0'/>\n"
                           "        <item name='note' value='gamma'/>\n    </record>\n</kelpo>\n";
const std::string kTemplate = "<root>\n<product name='[vex:detail:productName:EXML:vex]'>"
                              "[vex:StartLoop:vex]<v n='[vex:versions:version:vex]' "
                              "t='[vex:versions:note:EXML:vex]'/>[vex:EndLoop:vex]</product>\n</root>\n";
const std::string kTemplateOutput = "<root>\n<product name='Widget Pro'><v n='1.0' t='alpha'/>"
                                    "<v n='2.0' t='beta&#039;s'/><v n='3.0' t='gamma'/></product>\n</root>\n";

class TransformerTest : public ::testing::Test {
protected:
    void SetUp() override {
        pages.set("/detail.htm", kDetailPage);
        pages.set("/versions.htm", kDetailPage);
        for (const char* folder : {"cache", "data", "scripts"})
            std::filesystem::create_directories(app.path() / folder);
        transformer.setWorkspacePath(app.u16file("cache/workspace.htm"));
    }
    void TearDown() override { setBeforeRenameHookForTesting(nullptr); }

    bool run(const std::string& scriptText, const std::string& pageUrl = "") {
        app.write("scripts/transformer.txt", scriptText);
        return runFile("scripts/transformer.txt", pageUrl);
    }
    bool runFile(const std::string& script, const std::string& pageUrl = "") {
        return transformer.run(app.u16file(script), app.u16file("cache/out.txt"), u16(pageUrl));
    }
    std::string output() const { return app.read("cache/out.txt"); }
    std::string errors() const { return toUtf8(transformer.errorText()); }
    std::string url(const std::string& path) const { return pages.url(path); }
    std::string inlineBody(const std::string& detailUrl, const std::string& versionsUrl) const {
        return script(kNameItems, detailUrl) + "[vex:endscript:detail]\n" + script(kVersionItems, versionsUrl) +
               "[vex:endscript:versions]\n[vex:customstart]\n" + kTemplate;
    }

    test::TempDir app;
    test::PageServer pages;
    Transformer transformer{app.u16path()};
};

TEST_F(TransformerTest, VexAndXmlInBothForms) {
    // Runtime form: the caller's page when one is given, else the script's.
    ASSERT_TRUE(run(transformerFile("KELPORUNTIME", "VEX", script(kNameItems + kVersionItems, url("/elsewhere.htm"))),
                    url("/detail.htm")))
        << errors();
    EXPECT_EQ(output(), crlf(kTildeLines));
    EXPECT_EQ(app.read("cache/workspace.htm"), kDetailPage);
    EXPECT_EQ(errors(), "");
    ASSERT_TRUE(run(transformerFile("KELPORUNTIME", "XML", script(kNameItems + kVersionItems, url("/versions.htm")))))
        << errors();
    EXPECT_EQ(output(), crlf(kKelpo));

    // File form: the named data script with its own page, whatever the caller
    // says; CR LF line ends and scrambling change nothing.
    app.write("data/detail.xml", script(kNameItems + kVersionItems, url("/detail.htm")));
    ASSERT_TRUE(run(transformerFile("KELPO", "XML", "detail.xml  \t\n"), url("/elsewhere.htm"))) << errors();
    EXPECT_EQ(output(), crlf(kKelpo));
    ASSERT_TRUE(run(crlf(transformerFile("KELPO", "VEX", "detail.xml\n")))) << errors();
    EXPECT_EQ(output(), crlf(kTildeLines));
    ASSERT_TRUE(ScrambledFile::scramble(app.u16file("scripts/transformer.txt"), u""));
    ASSERT_TRUE(runFile("scripts/transformer.txt")) << errors();
    EXPECT_EQ(output(), crlf(kTildeLines));
    EXPECT_EQ(pages.hits("/elsewhere.htm"), 0);
    EXPECT_EQ(pages.hits("/detail.htm"), 4);
}

TEST_F(TransformerTest, CustomScriptsEachDownloadTheirPage) {
    // With a page URL, every inline script reads it, once each.
    ASSERT_TRUE(run(transformerFile("KELPORUNTIME", "CUSTOM", inlineBody(url("/a.htm"), url("/b.htm"))), url("/detail.htm")))
        << errors();
    EXPECT_EQ(output(), crlf(kTemplateOutput));
    EXPECT_EQ(pages.hits("/detail.htm"), 2);
    // Without one (and nothing kept from the run before), their own pages.
    ASSERT_TRUE(run(transformerFile("KELPORUNTIME", "CUSTOM", inlineBody(url("/detail.htm"), url("/versions.htm")))))
        << errors();
    EXPECT_EQ(output(), crlf(kTemplateOutput));
    EXPECT_EQ(pages.hits("/detail.htm"), 3);
    EXPECT_EQ(pages.hits("/versions.htm"), 1);
    EXPECT_EQ(pages.totalHits(), 4);
}

TEST_F(TransformerTest, FileFormTemplateIsCompiledScrambledAndRunnable) {
    app.write("data/detail", script(kNameItems, url("/detail.htm")));
    app.write("data/versions", script(kVersionItems, url("/versions.htm")));
    ASSERT_TRUE(run(transformerFile("KELPO", "CUSTOM", kTemplate))) << errors();
    EXPECT_EQ(output(), crlf(kTemplateOutput));

    // A failing download leaves the compiled script, scrambled, in the output.
    const std::string missing = url("/missing.htm");
    EXPECT_FALSE(run(transformerFile("KELPO", "CUSTOM", kTemplate), missing));
    EXPECT_EQ(errors(), "Could not download:  " + missing + "\n\n");
    ASSERT_EQ(output().substr(0, 8), "ENCMARLO");
    std::string compiled;
    ASSERT_TRUE(ScrambledFile::read(app.u16file("cache/out.txt"), compiled));
    EXPECT_EQ(compiled, crlf(transformerFile("KELPORUNTIME", "CUSTOM", inlineBody(url("/detail.htm"), url("/versions.htm")))));

    // That compiled file is a runtime-form script in its own right.
    std::filesystem::copy_file(app.file("cache/out.txt"), app.file("scripts/compiled.txt"));
    ASSERT_TRUE(runFile("scripts/compiled.txt")) << errors();
    EXPECT_EQ(output(), crlf(kTemplateOutput));
}

TEST_F(TransformerTest, ScriptLinesEndAtLineFeedsAndTheFirstZeroByte) {
    const std::string start = transformerFile("KELPORUNTIME", "CUSTOM", "[vex:customstart]\n");
    const std::pair<std::string, std::string> cases[] = {
        {start + "hello\n", "hello\r\n"}, // a final line feed adds no empty line
        {start + "hello\n" + std::string(1, '\0') + "ignored\n", "hello\r\n"},
        // Trailing blanks go with the line feed; a last line without one keeps them.
        {transformerFile("KELPORUNTIME", "CUSTOM", "[vex:customstart]  \r\nhello  \r\nbye  "), "hello\r\nbye  \r\n"},
    };
    for (const auto& [file, written] : cases) {
        ASSERT_TRUE(run(file)) << errors();
        EXPECT_EQ(output(), written);
    }
}

TEST_F(TransformerTest, EveryFailureExplainsItself) {
    const std::string path = app.file("scripts/transformer.txt");
    const std::string out = app.file("cache/out.txt");
    const std::string missing = url("/missing.htm");
    const std::string unterminated = "Error: Transformation script contains unterminated [vex: prefix.\n";
    const std::string detail = script(kNameItems, url("/detail.htm"));
    const std::pair<std::string, std::string> cases[] = {
        {transformerFile("KELPOX", "VEX", "x\n"), "Invalid Transformer File:  " + path + "\n"},
        {transformerFile("KELPO", "vex", "x\n"), "Invalid Transformer File:  " + path + "\n"},
        // Cut short before the name line: nothing to run, and the user is told.
        {"~~~~~~KELPO~~~~~~\r\n", "Invalid Transformer File:  " + path + "\n"},
        {"~~~~~~KELPO~~~~~~\n~~~~~~VEX~~~~~~\n", "Invalid Transformer File:  " + path + "\n"},
        {"", "Invalid Transformer File:  " + path + "\n"},
        {transformerFile("KELPO", "XML", "missing.xml \n"),
         "Error: Could not execute Transformation script.\n\nCould not Open:  " + app.file("data/missing.xml") + "\n"},
        {transformerFile("KELPORUNTIME", "VEX", script(kNameItems, missing)),
         "Error: Could not execute Transformation script.\n\nCould not download:  " + missing + "\n"},
        {transformerFile("KELPORUNTIME", "CUSTOM", script(kNameItems, missing) + "[vex:endscript:d]\n[vex:customstart]\nx\n"),
         "Could not download:  " + missing + "\n\n"},
        {transformerFile("KELPORUNTIME", "CUSTOM", detail + "[vex:endscript:d]\nx\n"),
         "Error: could not find [vex:customstart] in script.\n"},
        {transformerFile("KELPORUNTIME", "CUSTOM", "[vex:customstart]\n[vex:StartLoop:vex]x\n"),
         "Error: Transformation script is missing matching [vex:EndLoop:vex].\n"},
        {transformerFile("KELPO", "CUSTOM", "[vex:nothere:field:vex]\n"),
         "Error: Could not open Transformation script:  " + app.file("data/nothere") +
             "\n\nError: Could not create Temporary Inline File...\n" + out},
        {transformerFile("KELPO", "CUSTOM", "[vex:StartLoop:vex][vex:d:f\n"),
         unterminated + "Error: Could not create Temporary Inline File...\n" + out},
        // A script marker never closed: no name, no download.
        {transformerFile("KELPORUNTIME", "CUSTOM",
                         detail + "[vex:endscript:detail]\n[vex:customstart]\n[vex:detail:productName:vex] [vex:endscript:x\n"),
         unterminated},
    };
    for (const auto& [file, error] : cases) {
        EXPECT_FALSE(run(file)) << file;
        EXPECT_EQ(errors(), error) << file;
    }
    // Of the cases that name the detail page, only the one without a
    // template marker downloaded it; the unclosed script marker stopped first.
    EXPECT_EQ(pages.hits("/detail.htm"), 1);
    EXPECT_FALSE(runFile("scripts/absent.txt"));
    EXPECT_EQ(errors(), "Could not Open:  " + app.file("scripts/absent.txt") + "\n");

    // A template error still writes the text before it.
    EXPECT_FALSE(run(transformerFile("KELPORUNTIME", "CUSTOM",
                                     detail + "[vex:endscript:detail]\n[vex:customstart]\nhead [vex:detail:productName:vex] "
                                              "tail [vex:detail:productName\nmore\n")));
    EXPECT_EQ(errors(), unterminated);
    EXPECT_EQ(output(), "head Widget Pro tail ");
}

TEST_F(TransformerTest, UnwritableOutputIsAFailureAndKeepsTheOldFile) {
    const std::string vex = transformerFile("KELPORUNTIME", "VEX", script(kNameItems, url("/detail.htm")));
    app.write("scripts/transformer.txt", vex);
    const std::u16string nowhere = app.u16file("no-such-folder/out.txt");
    EXPECT_FALSE(transformer.run(app.u16file("scripts/transformer.txt"), nowhere, u""));
    EXPECT_EQ(errors(), "Error: Could not create file...\n" + toUtf8(nowhere));

    // Created, but not written out (as on a full disk).
    const std::string out = app.file("cache/out.txt");
    for (const std::string& file : {vex, transformerFile("KELPORUNTIME", "CUSTOM", "[vex:customstart]\nx\n")}) {
        app.write("cache/out.txt", "previous");
        setBeforeRenameHookForTesting([out](const std::string& target) { return target != out; });
        EXPECT_FALSE(run(file));
        setBeforeRenameHookForTesting(nullptr);
        EXPECT_EQ(errors(), "Error: Could not create file...\n" + out);
        EXPECT_EQ(output(), "previous");
    }
}

} // namespace
} // namespace zelvon
