// Scripts come from the update server, so the file names inside them are
// data: a transformer's extraction script must stay in the data folder and
// a saved page in the web folder. Each way out fails with the engine's own
// message for a file it cannot open, and the file outside is never read.

#include "engine/extraction_runner.h"
#include "engine/transformer.h"

#include "engine_test_support.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>

namespace zelvon {
namespace {

namespace fs = std::filesystem;
using test::scriptItem;

const std::string kPage = "<h1>Widget Pro</h1>";
const std::string kItems = scriptItem("[MoveTo]", "<h1>") + scriptItem("[Extract]", "</h1>", "productName");

class ContainedNamesTest : public ::testing::Test {
protected:
    void SetUp() override {
        pages.set("/page.htm", kPage);
        for (const char* folder : {"cache", "data", "scripts", "web"})
            fs::create_directories(app.path() / folder);
        // Working files outside the folders: reading any of them would
        // make the run succeed.
        outside.write("evil.xml", test::extractionScript(kItems, pages.url("/page.htm")));
        outside.write("evil.htm", kPage);
        fs::create_directory_symlink(outside.path(), app.path() / "data" / "out");
        fs::create_directory_symlink(outside.path(), app.path() / "web" / "out");
        app.write("scripts/../evil.xml", test::extractionScript(kItems, pages.url("/page.htm")));
        app.write("evil.htm", kPage);
    }

    // The ways out of a folder: up, absolute, and through a link.
    std::vector<std::string> escapes(const std::string& ext) const {
        return {"../evil." + ext, outside.file("evil." + ext), "out/evil." + ext, "out\\evil." + ext};
    }

    test::TempDir app;
    test::TempDir outside;
    test::PageServer pages;
};

TEST_F(ContainedNamesTest, TransformerDataNamesStayInTheDataFolder) {
    const std::string data = app.file("data") + "/";
    for (const std::string& name : escapes("xml")) {
        SCOPED_TRACE(name);
        for (const std::string kind : {"VEX", "XML"}) {
            app.write("scripts/t.nrt", "~~~~~~KELPO~~~~~~\n~~~~~~" + kind + "~~~~~~\nDetail\n" + name + "\n");
            Transformer transformer(app.u16path());
            transformer.setWorkspacePath(app.u16file("cache/workspace.htm"));
            EXPECT_FALSE(transformer.run(app.u16file("scripts/t.nrt"), app.u16file("cache/out.txt"), u""));
            EXPECT_EQ(toUtf8(transformer.errorText()),
                      "Error: Could not execute Transformation script.\n\nCould not Open:  " + data + name + "\n");
        }
        // A file-form template names its scripts in its field tags.
        app.write("scripts/t.nrt", "~~~~~~KELPO~~~~~~\n~~~~~~CUSTOM~~~~~~\nDetail\n[vex:" + name + ":productName:vex]\n");
        Transformer transformer(app.u16path());
        transformer.setWorkspacePath(app.u16file("cache/workspace.htm"));
        EXPECT_FALSE(transformer.run(app.u16file("scripts/t.nrt"), app.u16file("cache/out.txt"), u""));
        EXPECT_EQ(toUtf8(transformer.errorText()), "Error: Could not open Transformation script:  " + data + name +
                                                       "\n\nError: Could not create Temporary Inline File...\n" +
                                                       app.file("cache/out.txt"));
    }
    EXPECT_EQ(pages.hits("/page.htm"), 0);

    // The same transformer reads a script that is inside.
    app.write("data/good.xml", test::extractionScript(kItems, pages.url("/page.htm")));
    app.write("scripts/t.nrt", "~~~~~~KELPO~~~~~~\n~~~~~~VEX~~~~~~\nDetail\ngood.xml\n");
    Transformer transformer(app.u16path());
    transformer.setWorkspacePath(app.u16file("cache/workspace.htm"));
    EXPECT_TRUE(transformer.run(app.u16file("scripts/t.nrt"), app.u16file("cache/out.txt"), u""))
        << toUtf8(transformer.errorText());
}

TEST_F(ContainedNamesTest, SavedPageNamesStayInTheWebFolder) {
    const std::string web = app.file("web") + "/";
    for (const std::string& name : escapes("htm")) {
        SCOPED_TRACE(name);
        ExtractionRunner runner(app.u16path());
        EXPECT_FALSE(runner.runScriptText(u16(test::extractionScript(kItems, "", name)), true, u""));
        EXPECT_FALSE(runner.ok());
        // The script reader already turns "\\" into "/" in saved-page names.
        std::string shown = name;
        std::replace(shown.begin(), shown.end(), '\\', '/');
        EXPECT_EQ(toUtf8(runner.errorText()), "Could not LoadSourceData:  " + web + shown + "\n");
        EXPECT_EQ(runner.findEntry(u"productName", -1), -1);
    }
    app.write("web/saved.htm", kPage);
    ExtractionRunner runner(app.u16path());
    EXPECT_TRUE(runner.runScriptText(u16(test::extractionScript(kItems, "", "saved.htm")), true, u""));
    EXPECT_EQ(test::entryValues(runner, "productName"), "Widget Pro");
}

} // namespace
} // namespace zelvon
