// Every shipped transformer script run through the engine against the demo
// store, and its output read back the way the program's flows read it.

#include "shipped_app_folder.h"

#include "demo_store.h"
#include "engine/extraction_runner.h"
#include "engine/transformer.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>

namespace zelvon::test {
namespace {

using demo::Product;

struct Fields {
    std::string id, name, company, version, date, description;
};

Fields fieldsOf(const XmlNode* node) {
    return {attribute(node, "productID"),   attribute(node, "productName"), attribute(node, "productCompany"),
            attribute(node, "productVersion"), attribute(node, "productDate"), attribute(node, "productDescription")};
}

class ShippedScriptsTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(store_.start());
        app_ = std::make_unique<ShippedAppFolder>(store_.baseUrl());
        XmlDocument catalogue;
        ASSERT_TRUE(catalogue.load(app_->file("scripts/scripts.txt")));
        const XmlNode* wareloft = catalogue.findNode(u"root\\wareloft");
        ASSERT_NE(wareloft, nullptr);
        for (const XmlNode* entry = XmlTree::firstChild(wareloft); entry; entry = XmlTree::nextSibling(entry))
            entries_.emplace_back(toUtf8(entry->name), std::make_pair(attribute(entry, "url"), attribute(entry, "nrt")));
    }

    // The catalogue's page address and script for one entry.
    std::string url(const std::string& entry) const { return find(entry).first; }
    std::string script(const std::string& entry) const { return "scripts/" + find(entry).second; }

    // One run, as a flow makes it: the work file and the output under cache/.
    bool transform(const std::string& scriptPath, const std::string& pageUrl, std::string* errorText = nullptr) {
        Transformer transformer(app_->path());
        transformer.setWorkspacePath(app_->file("cache/workspace.htm"));
        transformer.setUseProxy(0);
        const bool ok = transformer.run(app_->file(scriptPath), output(), fromUtf8(pageUrl));
        if (errorText)
            *errorText = toUtf8(transformer.errorText());
        return ok;
    }

    std::u16string output() const { return app_->file("cache/productTemp.txt"); }

    // The output's `root` children of one name, loaded as the flows load it.
    std::vector<Fields> outputNodes(const char16_t* name) {
        XmlDocument doc;
        EXPECT_TRUE(doc.load(output()));
        const XmlNode* root = doc.findNode(u"root");
        EXPECT_NE(root, nullptr) << readBytes(app_->native("cache/productTemp.txt"));
        std::vector<Fields> fields;
        for (const XmlNode* n : childrenNamed(root, name))
            fields.push_back(fieldsOf(n));
        return fields;
    }

    static void expectListMatches(const std::vector<Fields>& got, const std::vector<Product>& want) {
        ASSERT_EQ(got.size(), want.size());
        for (size_t i = 0; i < want.size(); ++i) {
            SCOPED_TRACE(want[i].id);
            EXPECT_EQ(got[i].id, want[i].id);
            EXPECT_EQ(got[i].name, want[i].name);
            EXPECT_EQ(got[i].company, want[i].company);
            EXPECT_EQ(got[i].version, want[i].version());
            EXPECT_EQ(got[i].date, want[i].date());
            EXPECT_FALSE(got[i].description.empty());
        }
    }

    demo::DemoStore store_{demo::StoreOptions{0, 0, ZELVON_SOURCE_DIR "/appdata", false}};
    std::unique_ptr<ShippedAppFolder> app_;

private:
    const std::pair<std::string, std::string>& find(const std::string& entry) const {
        for (const auto& [name, values] : entries_)
            if (name == entry)
                return values;
        static const std::pair<std::string, std::string> none;
        ADD_FAILURE() << "the catalogue has no " << entry;
        return none;
    }

    std::vector<std::pair<std::string, std::pair<std::string, std::string>>> entries_;
};

TEST_F(ShippedScriptsTest, DetailScriptReadsEveryProductPage) {
    // Descriptions arrive as plain text: markup and entities of the page
    // resolved, in UTF-8 and in Windows-1252 (punctuation from 0x80-0x9F,
    // references for what the code page lacks).
    const std::map<std::string, std::string> descriptions = {
        {"10412", "Notes in ink, voice or type, kept in folders & found again in an instant."},
        {"10533", "Sketch pads and lined notes side by side. Export to PNG or plain text."},
        {"80107", "Edit <table> layouts and CSS on the go; preview in one tap."},
        {"80112", "Test regular expressions like ^\\d+$ against your own text."},
        {"70104", "Learn 2,000 kanji with spaced repetition and stroke-order (書き順) animations."},
        {"10527", "Forms, stamps and filing for the mobile office – now with PDF export"},
        {"10629", "Word completion that learns as you type – with “smart quotes” built in."},
        {"50228", "Timetables for Warszawa, Kraków, Gdańsk and Łódź – works offline."},
        {"30325", "Converts between the € and 40 currencies; rates update over the air."},
    };
    size_t described = 0;
    for (const Product& p : store_.catalogue().all()) {
        SCOPED_TRACE(p.id + " " + p.name);
        std::string error;
        ASSERT_TRUE(transform(script("productDetail"), url("productDetail") + p.id, &error)) << error;
        const std::vector<Fields> sources = outputNodes(u"source");
        ASSERT_EQ(sources.size(), 1u);
        EXPECT_EQ(sources[0].name, p.name);
        EXPECT_EQ(sources[0].company, p.company);
        EXPECT_EQ(sources[0].version, p.version());
        EXPECT_EQ(sources[0].date, p.date());
        EXPECT_FALSE(sources[0].description.empty());
        if (const auto known = descriptions.find(p.id); known != descriptions.end()) {
            EXPECT_EQ(sources[0].description, known->second);
            ++described;
        }
    }
    EXPECT_EQ(described, descriptions.size());
}

TEST_F(ShippedScriptsTest, DetailScriptSeesAPublishedVersionAndFailsOnAMissingProduct) {
    ASSERT_EQ(store_.catalogue().publish("10527", "5.1", "04/01/2005"), demo::StoreCatalogue::PublishResult::Published);
    ASSERT_TRUE(transform(script("productDetail"), url("productDetail") + "10527"));
    const std::vector<Fields> sources = outputNodes(u"source");
    ASSERT_EQ(sources.size(), 1u);
    EXPECT_EQ(sources[0].version, "5.1");
    EXPECT_EQ(sources[0].date, "04/01/2005");

    std::filesystem::remove(app_->native("cache/productTemp.txt"));
    std::string error;
    const std::string missing = url("productDetail") + "99999";
    EXPECT_FALSE(transform(script("productDetail"), missing, &error));
    EXPECT_EQ(error.rfind("Could not download:  " + missing, 0), 0u) << error;
    EXPECT_FALSE(std::filesystem::exists(app_->native("cache/productTemp.txt")));
}

TEST_F(ShippedScriptsTest, NameSearchFindsSeveralOneOrNoProducts) {
    const auto search = [&](std::string words) {
        for (char& c : words)
            if (c == ' ')
                c = '+';
        std::string error;
        EXPECT_TRUE(transform(script("nameSearch"), url("nameSearch") + words, &error)) << error;
        return outputNodes(u"node");
    };

    const std::vector<Fields> two = search("chess");
    ASSERT_EQ(two.size(), 2u);
    EXPECT_EQ(two[0].id, "20121");
    EXPECT_EQ(two[0].name, "Chess Puzzles Daily");
    EXPECT_EQ(two[0].date, "12/09/2004");
    EXPECT_EQ(two[0].description, "A new mate-in-two every day, and 500 classics to start with.");
    EXPECT_EQ(two[1].id, "20117");
    EXPECT_EQ(two[1].description, "A strong chess engine that fits in your pocket. Twelve levels, from beginner to club player.");

    const std::vector<Fields> one = search("pocket chess");
    ASSERT_EQ(one.size(), 1u);
    EXPECT_EQ(one[0].id, "20117");
    EXPECT_EQ(one[0].name, "Pocket Chess Master");

    EXPECT_TRUE(search("zzz").empty());

    const std::vector<Product> many = store_.catalogue().search("pocket");
    const std::vector<Fields> got = search("pocket");
    ASSERT_EQ(got.size(), many.size());
    for (size_t i = 0; i < many.size(); ++i) {
        EXPECT_EQ(got[i].id, many[i].id);
        EXPECT_EQ(got[i].name, many[i].name);
    }
}

TEST_F(ShippedScriptsTest, WhatsNewFileFormScriptListsTheLatestReleases) {
    ASSERT_TRUE(transform(script("whatsNew"), url("whatsNew")));
    expectListMatches(outputNodes(u"node"), store_.catalogue().whatsNew());

    ASSERT_EQ(store_.catalogue().publish("50213", "", "06/01/2005"), demo::StoreCatalogue::PublishResult::Published);
    ASSERT_TRUE(transform(script("whatsNew"), url("whatsNew")));
    const std::vector<Fields> after = outputNodes(u"node");
    expectListMatches(after, store_.catalogue().whatsNew());
    ASSERT_FALSE(after.empty());
    EXPECT_EQ(after[0].name, "Łódź Transit");
    EXPECT_EQ(after[0].version, "1.2");
}

TEST_F(ShippedScriptsTest, BestSellingReadsTheWindows1252Page) {
    ASSERT_TRUE(transform(script("bestSelling"), url("bestSelling")));
    const std::vector<Fields> ranked = outputNodes(u"node");
    expectListMatches(ranked, store_.catalogue().bestSelling());
    ASSERT_EQ(ranked.size(), 10u);
    EXPECT_EQ(ranked[3].name, "Zoë's Garden Planner");
    EXPECT_EQ(ranked[7].name, "Kanji Flash 漢字");
    EXPECT_EQ(ranked[8].name, "Łódź Transit");
    EXPECT_EQ(ranked[0].company, "Lumen & Vale");

    XmlDocument doc;
    ASSERT_TRUE(doc.load(output()));
    EXPECT_EQ(attribute(doc.findNode(u"root"), "weekEnding"), store_.catalogue().whatsNew(1).front().date());
}

TEST_F(ShippedScriptsTest, VersionHistoryScriptWritesKelpoRecords) {
    const Product product = *store_.catalogue().find("10412");
    ASSERT_TRUE(transform("scripts/versionHistory.nrt", url("productDetail") + product.id));
    XmlDocument doc;
    ASSERT_TRUE(doc.load(output()));
    const XmlNode* kelpo = doc.findNode(u"kelpo");
    ASSERT_NE(kelpo, nullptr);
    const std::vector<const XmlNode*> items = childrenNamed(kelpo, u"item");
    ASSERT_EQ(items.size(), 1u);
    EXPECT_EQ(attribute(items[0], "name"), "productName");
    EXPECT_EQ(attribute(items[0], "value"), "Crème Notes");

    const std::vector<const XmlNode*> records = childrenNamed(kelpo, u"record");
    ASSERT_EQ(records.size(), product.releases.size());
    for (size_t i = 0; i < records.size(); ++i) {
        const std::vector<const XmlNode*> values = childrenNamed(records[i], u"item");
        ASSERT_EQ(values.size(), 3u);
        EXPECT_EQ(attribute(values[0], "value"), product.releases[i].version);
        EXPECT_EQ(attribute(values[1], "value"), product.releases[i].date);
        EXPECT_EQ(attribute(values[2], "value"), product.releases[i].notes); // as the page has it
    }
}

TEST_F(ShippedScriptsTest, SavedWhatsNewPageServesTheCacheMode) {
    const std::vector<Product> latest = store_.catalogue().whatsNew();
    store_.stop(); // the saved copy is all there is

    ExtractionRunner runner(app_->path());
    runner.setWorkspacePath(app_->file("cache/workspace.htm"));
    ASSERT_TRUE(runner.runScriptFile(app_->file("data/whatsNew.xml"), true)) << toUtf8(runner.errorText());
    std::vector<std::string> ids, versions;
    for (int i = runner.findEntry(u"productID", -1); i >= 0; i = runner.findEntry(u"productID", i)) {
        EXPECT_EQ(runner.entryDepth(i), 1);
        ids.push_back(toUtf8(runner.entryValue(i)));
    }
    for (int i = runner.findEntry(u"productVersion", -1); i >= 0; i = runner.findEntry(u"productVersion", i))
        versions.push_back(toUtf8(runner.entryValue(i)));
    ASSERT_EQ(ids.size(), latest.size()) << "the saved page no longer matches the store's first page";
    for (size_t i = 0; i < latest.size(); ++i) {
        EXPECT_EQ(ids[i], latest[i].id);
        EXPECT_EQ(versions[i], latest[i].version());
    }
}

} // namespace
} // namespace zelvon::test
