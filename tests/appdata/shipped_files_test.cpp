// The application data as the build lays it out: help pages, the script
// catalogue, the scripts and every file they name, and the script set the
// maker's update server hands out.

#include "shipped_app_folder.h"

#include "demo_store.h"
#include "foundation/script_xml_document.h"
#include "maker_site.h"

#include <gtest/gtest.h>
#include <httplib.h>

#include <algorithm>
#include <regex>
#include <set>

namespace zelvon::test {
namespace {

namespace fs = std::filesystem;

const fs::path kBin = kBuiltAppFolder;

std::vector<std::string> splitLines(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        std::string line = text.substr(start, end - start);
        while (!line.empty() && (line.back() == '\r' || line.back() == ' '))
            line.pop_back();
        lines.push_back(line);
        start = end + 1;
    }
    return lines;
}

// The script names used by the field tags of a template, in order.
std::vector<std::string> templateScriptNames(const std::string& templateText) {
    std::vector<std::string> names;
    static const std::regex tag(R"(\[vex:([^:\]]+):[^\]]*?:vex\])");
    for (std::sregex_iterator it(templateText.begin(), templateText.end(), tag), end; it != end; ++it)
        if (std::find(names.begin(), names.end(), (*it)[1].str()) == names.end())
            names.push_back((*it)[1].str());
    return names;
}

// What running the scripts against the store cannot show: an extraction
// script reads as one, names a page at the store, and the saved copy of
// that page it falls back on is shipped too.
void expectSoundExtractionScript(const std::string& text) {
    ScriptXmlDocument doc;
    ASSERT_TRUE(doc.parse(fromUtf8(text)));
    const std::vector<const XmlNode*> sources = childrenNamed(doc.findNode(u"extraction"), u"source");
    ASSERT_EQ(sources.size(), 1u);
    EXPECT_EQ(attribute(sources[0], "url").rfind(kFixedStoreBase + "/", 0), 0u);
    const std::string cache = attribute(sources[0], "cache");
    EXPECT_TRUE(cache.empty() || fs::is_regular_file(kBin / "web" / cache)) << cache;
    EXPECT_FALSE(childrenNamed(doc.findNode(u"extraction"), u"item").empty());
}

TEST(ShippedFiles, HelpPagesExistAndTheirLinksResolve) {
    const std::string help = readBytes(kBin / "help" / "zelvonhelp.htm");
    const std::string caf = readBytes(kBin / "help" / "caf.htm");
    for (const std::string* page : {&help, &caf}) {
        EXPECT_NE(page->find("<title>"), std::string::npos);
        EXPECT_NE(page->find("</html>"), std::string::npos);
    }
    EXPECT_NE(help.find("href=\"caf.htm\""), std::string::npos);

    std::set<std::string> anchors;
    static const std::regex anchor(R"re((?:name|id)="([^"]+)")re");
    for (std::sregex_iterator it(help.begin(), help.end(), anchor), end; it != end; ++it)
        anchors.insert((*it)[1].str());
    static const std::regex link(R"re(href="#([^"]+)")re");
    int links = 0;
    for (std::sregex_iterator it(help.begin(), help.end(), link), end; it != end; ++it, ++links)
        EXPECT_TRUE(anchors.count((*it)[1].str())) << "broken link #" << (*it)[1].str();
    EXPECT_GT(links, 5);

    // A user looks up a menu text or a preference by the words on screen.
    for (const char* words :
         {"Add Product...", "Reload All From Web", "Cancel", "Check Products for Updates", "Check for Update",
          "Mark As New", "Remove", "Reload What's New List", "Reload Best Selling List", "Add To Product Watch List",
          "Preferences...", "Network Connection...", "Check for Parsing Scripts...", "Help...", "About Zelvon...",
          "Check for Updates on Startup", "Show Best Selling List", "Show What's New List",
          "When Update found, leave as New", "Override default Browser", "Use Proxy Server", "Test Connection",
          "** New Update Available **", "(Cached)"})
        EXPECT_NE(help.find(words), std::string::npos) << words;
    for (const char* words : {"by ID", "by Name", "pid=", "Select Item", "Could not find the specified Product Name"})
        EXPECT_NE(caf.find(words), std::string::npos) << words;
}

TEST(ShippedFiles, CatalogueNamesInstalledScriptsAtTheStore) {
    XmlDocument catalogue;
    ASSERT_TRUE(catalogue.load(fromUtf8((kBin / "scripts" / "scripts.txt").string())));
    const XmlNode* wareloft = catalogue.findNode(u"root\\wareloft");
    ASSERT_NE(wareloft, nullptr);
    std::set<std::string> seen;
    for (const XmlNode* entry = XmlTree::firstChild(wareloft); entry; entry = XmlTree::nextSibling(entry)) {
        const std::string name = toUtf8(entry->name);
        SCOPED_TRACE(name);
        seen.insert(name);
        const std::string url = attribute(entry, "url");
        EXPECT_EQ(url.rfind(kFixedStoreBase + "/", 0), 0u) << url;
        if (name == "productDetail" || name == "nameSearch") {
            EXPECT_EQ(url.back(), '=') << "the ID or the words are appended";
        }
        EXPECT_TRUE(fs::is_regular_file(kBin / "scripts" / attribute(entry, "nrt")));
    }
    EXPECT_EQ(seen, (std::set<std::string>{"productDetail", "nameSearch", "whatsNew", "bestSelling"}));
    EXPECT_TRUE(fs::is_directory(kBin / "cache"));
}

TEST(ShippedFiles, TransformerScriptsAndEveryFileTheyName) {
    int scripts = 0;
    std::set<std::string> kinds;
    for (const auto& file : fs::directory_iterator(kBin / "scripts")) {
        if (file.path().extension() != ".nrt")
            continue;
        SCOPED_TRACE(file.path().filename().string());
        ++scripts;
        std::string content;
        ASSERT_TRUE(ScrambledFile::read(fromUtf8(file.path().string()), content));
        const std::vector<std::string> lines = splitLines(content);
        ASSERT_GE(lines.size(), 4u);
        const bool runtime = lines[0] == "~~~~~~KELPORUNTIME~~~~~~";
        ASSERT_TRUE(runtime || lines[0] == "~~~~~~KELPO~~~~~~");
        ASSERT_TRUE(lines[1] == "~~~~~~CUSTOM~~~~~~" || lines[1] == "~~~~~~XML~~~~~~" || lines[1] == "~~~~~~VEX~~~~~~");
        const bool custom = lines[1] == "~~~~~~CUSTOM~~~~~~";
        kinds.insert((runtime ? "runtime " : "file ") + lines[1]);
        std::string body;
        for (size_t i = 3; i < lines.size(); ++i)
            body += lines[i] + "\n";

        if (custom && runtime) {
            const size_t start = body.find("[vex:customstart]\n");
            ASSERT_NE(start, std::string::npos);
            std::vector<std::string> inlineNames;
            size_t from = 0;
            for (size_t at; (at = body.find("[vex:endscript:", from)) < start; from = body.find(']', at) + 1) {
                expectSoundExtractionScript(body.substr(from, at - from));
                inlineNames.push_back(body.substr(at + 15, body.find(']', at) - at - 15));
            }
            for (const std::string& used : templateScriptNames(body.substr(start)))
                EXPECT_NE(std::find(inlineNames.begin(), inlineNames.end(), used), inlineNames.end()) << used;
        } else if (custom) {
            for (const std::string& name : templateScriptNames(body)) {
                ASSERT_TRUE(fs::is_regular_file(kBin / "data" / name)) << name;
                expectSoundExtractionScript(readBytes(kBin / "data" / name));
            }
        } else if (runtime) {
            expectSoundExtractionScript(body);
        } else {
            ASSERT_TRUE(fs::is_regular_file(kBin / "data" / lines[3])) << lines[3];
            expectSoundExtractionScript(readBytes(kBin / "data" / lines[3]));
        }
    }
    EXPECT_EQ(scripts, 5);
    EXPECT_TRUE(kinds.count("runtime ~~~~~~CUSTOM~~~~~~"));
    EXPECT_TRUE(kinds.count("file ~~~~~~CUSTOM~~~~~~"));
    EXPECT_TRUE(kinds.count("runtime ~~~~~~XML~~~~~~"));
}

TEST(ShippedFiles, DetailScriptShipsScrambledFromItsPlainSource) {
    const std::string shipped = readBytes(kBin / "scripts" / "productDetail.nrt");
    ASSERT_TRUE(isScrambled(shipped));
    const std::string source = readBytes(fs::path(ZELVON_SOURCE_DIR) / "appdata" / "scrambled" / "productDetail.nrt");
    EXPECT_EQ(shipped.find("extraction"), std::string::npos) << "readable in the shipped file";
    std::string plain;
    ASSERT_TRUE(ScrambledFile::read(fromUtf8((kBin / "scripts" / "productDetail.nrt").string()), plain));
    EXPECT_EQ(plain, source);
}

TEST(ShippedFiles, UpdateServerListsTheWholeScriptSet) {
    for (const fs::path& appData : {kBin, fs::path(ZELVON_SOURCE_DIR) / "appdata"}) {
        SCOPED_TRACE(appData.string());
        demo::DemoStore store(demo::StoreOptions{0, 0, appData.string(), false});
        ASSERT_TRUE(store.start());
        httplib::Client client("127.0.0.1", store.port());
        auto info = client.Get((std::string(demo::kScriptUpdatePath) + demo::kScriptInfoName).c_str());
        ASSERT_TRUE(info);
        XmlDocument doc;
        ASSERT_TRUE(doc.parse(fromUtf8(info->body)));
        const XmlNode* root = doc.findNode(u"root");
        ASSERT_NE(root, nullptr);
        EXPECT_EQ(attribute(root, "version"), "2");

        std::set<std::string> destinations;
        for (const XmlNode* file : childrenNamed(root, u"scriptFile")) {
            std::string destination = attribute(file, "destination");
            SCOPED_TRACE(destination);
            EXPECT_FALSE(attribute(file, "name").empty());
            std::replace(destination.begin(), destination.end(), '\\', '/');
            destinations.insert(destination);
            ASSERT_TRUE(fs::is_regular_file(kBin / destination));

            const std::string url = attribute(file, "url");
            ASSERT_EQ(url.rfind(store.baseUrl() + "/", 0), 0u) << url;
            auto res = client.Get(url.substr(store.baseUrl().size()).c_str());
            ASSERT_TRUE(res);
            ASSERT_EQ(res->status, 200);
            if (appData == kBin) { // the very files an installation has, pointed at this store
                const std::string installed = readBytes(kBin / destination);
                EXPECT_EQ(res->body, isScrambled(installed) ? installed
                                                             : replaceAllText(installed, kFixedStoreBase, store.baseUrl()));
            }
        }
        // Everything a script names is part of the set, so an update never
        // leaves a script without its files.
        std::set<std::string> shipped;
        for (const char* folder : {"scripts", "data"})
            for (const auto& f : fs::directory_iterator(kBin / folder))
                shipped.insert(std::string(folder) + "/" + f.path().filename().string());
        EXPECT_EQ(destinations, shipped);
    }
}

} // namespace
} // namespace zelvon::test
