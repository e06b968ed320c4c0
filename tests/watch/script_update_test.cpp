// The parsing-script update against a local update server: every text and
// caption in its order, the version rule, the files written, and the
// destinations that must not leave the application folder.

#include "watch/script_update.h"

#include "app/settings_store.h"
#include "demo_store.h"
#include "maker_site.h"
#include "foundation/formatting.h"
#include "foundation/text_codec.h"
#include "net/http_fetcher.h"
#include "support/local_http_server.h"
#include "support/recording_flow_ui.h"
#include "support/temp_dir.h"
#include "watch/clock.h"
#include "watch/flow_context.h"
#include "watch/script_catalogue.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <mutex>

namespace zelvon {
namespace {

namespace fs = std::filesystem;

const std::u16string kChecking = u"<b>Checking</b> for New Scripts...";
const std::u16string kNoNew = u"No new script files available.";
const std::u16string kFileFailed = u"<b>Failed</b> to download script file.";
const std::u16string kDone =
    u"Done downloading new parsing scripts.<br><br>If you are still having problems, try restarting Zelvon to use new scripts.";

class ScriptUpdateTest : public ::testing::Test {
protected:
    void SetUp() override {
        HttpFetcher::globalInit();
        server.server().Get(R"(/(.+))", [this](const httplib::Request& request, httplib::Response& response) {
            std::lock_guard<std::mutex> lock(mutex);
            const std::string path = request.matches[1];
            ++hits[path];
            const auto file = files.find(path);
            if (file == files.end())
                response.status = 404;
            else
                response.set_content(file->second, "text/plain");
        });
        server.start();
        fs::create_directories(app.path() / "cache");
        app.write("scripts/a.nrt", "old a");
        settings.bind(u"Tervane", u"Zelvon");
        settings.writeString(u"Settings", u"AutoCheckUrl", u16(server.url("/info.xml")));
    }

    void serve(const std::string& path, const std::string& body) {
        std::lock_guard<std::mutex> lock(mutex);
        files[path] = body;
    }
    int hitsOf(const std::string& path) {
        std::lock_guard<std::mutex> lock(mutex);
        return hits[path];
    }
    // A description of `version` listing (name, served path, destination).
    void describe(const std::string& version, const std::vector<std::array<std::string, 3>>& scriptFiles) {
        std::string xml = "<?xml version=\"1.0\"?>\n<root version=\"" + version + "\">\n<note text=\"ignored\"/>\n";
        for (const auto& [name, path, destination] : scriptFiles)
            xml += "<scriptFile name=\"" + name + "\" url=\"" + server.url("/" + path) + "\" destination=\"" +
                   destination + "\"/>\n";
        serve("info.xml", xml + "</root>\n");
    }
    ScriptUpdateOutcome update() {
        const FlowContext context{app.u16path(), catalogue, ProxySettings{}, clock, settings, ui};
        const ScriptUpdateOutcome outcome = runScriptUpdate(context);
        EXPECT_EQ(ui.waitDepth, 0);
        EXPECT_EQ(ui.waitsBegun, 1);
        return outcome;
    }
    // Never written: a sentinel default shows the stored version stayed.
    int32_t storedVersion() const { return settings.readInt(u"Settings", u"AutoCheckVersion", -1); }
    std::u16string url(const std::string& path) const { return u16(server.url("/" + path)); }

    std::mutex mutex;
    std::map<std::string, std::string> files;
    std::map<std::string, int> hits;
    test::TempDir app;
    test::TempDir outside;
    test::TempDir config;
    SettingsStore settings{config.str()};
    ScriptCatalogue catalogue;
    FixedClock clock{std::chrono::system_clock::now()};
    test::RecordingFlowUi ui;
    test::LocalHttpServer server; // last: stops before what its handler uses goes
};

TEST_F(ScriptUpdateTest, OnlyYesRunsTheUpdate) {
    describe("2", {});
    const FlowContext context{app.u16path(), catalogue, ProxySettings{}, clock, settings, ui};
    EXPECT_EQ(checkForParsingScripts(context), ScriptUpdateOutcome::Declined);
    ASSERT_EQ(ui.events.size(), 1u);
    EXPECT_EQ(ui.questions.at(0).caption, u"Confirm");
    EXPECT_EQ(ui.questions.at(0).text, kScriptUpdateQuestion);
    EXPECT_EQ(hitsOf("info.xml"), 0);

    ui.yesNoAnswers.push_back(true);
    EXPECT_EQ(checkForParsingScripts(context), ScriptUpdateOutcome::Installed);
    EXPECT_EQ(storedVersion(), 2);
}

TEST_F(ScriptUpdateTest, VersionIsComparedAsACLibraryInteger) {
    const struct {
        std::string version;
        ScriptUpdateOutcome outcome;
    } cases[] = {
        {"1", ScriptUpdateOutcome::NoNewScripts}, {"0", ScriptUpdateOutcome::NoNewScripts},
        {"beta", ScriptUpdateOutcome::NoNewScripts}, {"", ScriptUpdateOutcome::NoNewScripts},
        {"-5", ScriptUpdateOutcome::NoNewScripts}, {" 2nd", ScriptUpdateOutcome::Installed},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.version);
        settings.writeInt(u"Settings", u"AutoCheckVersion", 1);
        ui = test::RecordingFlowUi();
        describe(c.version, {{"A", "a.nrt", "scripts\\a.nrt"}});
        serve("a.nrt", "new a");
        app.write("scripts/a.nrt", "old a");
        EXPECT_EQ(update(), c.outcome);
        if (c.outcome == ScriptUpdateOutcome::NoNewScripts) {
            EXPECT_EQ(ui.events, (std::vector<std::u16string>{u"pane:" + kChecking, u"message::" + kNoNew, u"pane:" + kNoNew}));
            EXPECT_EQ(app.read("scripts/a.nrt"), "old a");
            EXPECT_EQ(storedVersion(), 1);
        } else {
            EXPECT_EQ(app.read("scripts/a.nrt"), "new a");
            EXPECT_EQ(storedVersion(), 2);
        }
    }
    EXPECT_EQ(hitsOf("a.nrt"), 1);
}

TEST_F(ScriptUpdateTest, FilesArriveInOrderAndOnlyACompleteSetRaisesTheVersion) {
    // The second file fails: the first stays replaced, the version stays.
    describe("2", {{"Detail &lt;script&gt;", "a.nrt", "scripts\\a.nrt"}, {"Search", "gone.nrt", "scripts\\b.nrt"}});
    serve("a.nrt", "new a");
    EXPECT_EQ(update(), ScriptUpdateOutcome::Failed);
    EXPECT_EQ(ui.events, (std::vector<std::u16string>{u"pane:" + kChecking, u"pane:Downloading... Detail <script>",
                                                      u"pane:Downloading... Search",
                                                      u"message::Could not download:  " + url("gone.nrt"),
                                                      u"pane:" + kFileFailed}));
    EXPECT_EQ(app.read("scripts/a.nrt"), "new a");
    EXPECT_FALSE(fs::exists(app.path() / "scripts" / "b.nrt"));
    EXPECT_EQ(storedVersion(), -1);

    // A destination in folders that do not exist yet: they are made.
    ui = test::RecordingFlowUi();
    describe("3", {{"A", "a.nrt", "scripts\\a.nrt"}, {"Deep", "deep.xml", "data\\new\\deeper\\deep.xml"}});
    serve("deep.xml", "<extraction/>");
    EXPECT_EQ(update(), ScriptUpdateOutcome::Installed);
    EXPECT_EQ(app.read("data/new/deeper/deep.xml"), "<extraction/>");
    EXPECT_EQ(ui.paneTexts.back(), kDone);
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_EQ(storedVersion(), 3);

    // A higher version without files only raises the number.
    ui = test::RecordingFlowUi();
    describe("4", {});
    EXPECT_EQ(update(), ScriptUpdateOutcome::Installed);
    EXPECT_EQ(ui.paneTexts, (std::vector<std::u16string>{kChecking, kDone}));
    EXPECT_EQ(storedVersion(), 4);
}

TEST_F(ScriptUpdateTest, DestinationsOutsideTheFolderFailLikeADownload) {
    outside.write("victim.txt", "mine");
    fs::create_directory_symlink(outside.path(), app.path() / "scripts" / "out");
    // The cache folder holds the user's lists and the work files, not
    // scripts: refused in every spelling, also through a link into it.
    app.write("cache/productList.txt", "the user's list");
    fs::create_directory_symlink(app.path() / "cache", app.path() / "scripts" / "tocache");
    std::string deep = "data";
    for (int i = 0; i < 16; ++i)
        deep += "\\d";
    const std::string destinations[] = {outside.file("victim.txt"), "..\\victim.txt", "scripts/../../victim.txt",
                                        "scripts\\out\\victim.txt", "scripts\\out\\new\\victim.txt", "",
                                        "cache\\zelvon.lock", "cache/productList.txt", "./cache/productList.txt",
                                        ".\\cache\\new\\x.nrt", "cache", "scripts\\tocache\\productList.txt",
                                        "scripts/./tocache/new.nrt",
                                        // 17 folders deep: more than a script set needs.
                                        deep + "\\x.xml"};
    serve("a.nrt", "new a");
    serve("evil.txt", "overwritten");
    for (const std::string& destination : destinations) {
        SCOPED_TRACE(destination);
        ui = test::RecordingFlowUi();
        describe("2", {{"A", "a.nrt", "scripts\\a.nrt"}, {"Evil", "evil.txt", destination}});
        EXPECT_EQ(update(), ScriptUpdateOutcome::Failed);
        EXPECT_EQ(ui.messages.at(0).text, u"Could not download:  " + url("evil.txt"));
        EXPECT_EQ(ui.messages.at(0).caption, u"");
        EXPECT_EQ(ui.paneTexts.back(), kFileFailed);
        EXPECT_EQ(storedVersion(), -1);
    }
    EXPECT_EQ(hitsOf("evil.txt"), 0);
    EXPECT_EQ(outside.read("victim.txt"), "mine");
    EXPECT_EQ(std::distance(fs::directory_iterator(outside.path()), fs::directory_iterator()), 1);
    EXPECT_FALSE(fs::exists(app.path().parent_path() / "victim.txt"));
    EXPECT_EQ(app.read("cache/productList.txt"), "the user's list");
    EXPECT_FALSE(fs::exists(app.path() / "cache" / "zelvon.lock"));
    EXPECT_FALSE(fs::exists(app.path() / "cache" / "new"));
    EXPECT_FALSE(fs::exists(app.path() / "data" / "d"));

    // 16 folders deep is still a script file, and a folder merely named
    // like the cache elsewhere is no cache.
    ui = test::RecordingFlowUi();
    std::string sixteen = "data";
    for (int i = 0; i < 15; ++i)
        sixteen += "/d";
    describe("2", {{"A", "a.nrt", sixteen + "/x.xml"}, {"B", "evil.txt", "scripts/cache/b.nrt"},
                   {"C", "a.nrt", "Cache/c.nrt"}});
    EXPECT_EQ(update(), ScriptUpdateOutcome::Installed) << toUtf8(ui.paneTexts.back());
    EXPECT_EQ(app.read(sixteen + "/x.xml"), "new a");
    EXPECT_EQ(app.read("scripts/cache/b.nrt"), "overwritten");
    EXPECT_EQ(app.read("Cache/c.nrt"), "new a");
}

TEST_F(ScriptUpdateTest, VersionsOutOfRangeAndOversizedSetsAreInvalid) {
    const std::string invalid = "Did not download valid script checking information.";
    serve("a.nrt", "new a");
    std::vector<std::array<std::string, 3>> tooMany;
    for (int i = 0; i < 10000; ++i)
        tooMany.push_back({"F" + std::to_string(i), "a.nrt", "scripts/f" + std::to_string(i) + ".nrt"});
    std::vector<std::array<std::string, 3>> oneTooMany(tooMany.begin(), tooMany.begin() + 501);
    const struct {
        std::string version;
        std::vector<std::array<std::string, 3>> files;
        bool valid;
    } cases[] = {
        {"99999999999999999999", {{"A", "a.nrt", "scripts/a.nrt"}}, false},
        {"2147483648", {{"A", "a.nrt", "scripts/a.nrt"}}, false},
        {"+2147483648x", {{"A", "a.nrt", "scripts/a.nrt"}}, false},
        {"-2147483649", {{"A", "a.nrt", "scripts/a.nrt"}}, false},
        {"2", tooMany, false},
        {"2", oneTooMany, false},
        // The limits themselves are numbers (the lower one is not newer).
        {"-2147483648", {{"A", "a.nrt", "scripts/a.nrt"}}, true},
        {" 002147483647", {{"A", "a.nrt", "scripts/a.nrt"}}, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.version + " with " + std::to_string(c.files.size()) + " files");
        settings.writeInt(u"Settings", u"AutoCheckVersion", 1);
        app.write("scripts/a.nrt", "old a");
        ui = test::RecordingFlowUi();
        describe(c.version, c.files);
        const ScriptUpdateOutcome outcome = update();
        if (!c.valid) {
            EXPECT_EQ(outcome, ScriptUpdateOutcome::Failed);
            EXPECT_EQ(ui.events, (std::vector<std::u16string>{u"pane:" + kChecking, u"pane:" + u16(invalid)}));
            EXPECT_EQ(storedVersion(), 1);
        } else {
            EXPECT_NE(outcome, ScriptUpdateOutcome::Failed);
            EXPECT_EQ(storedVersion(), parseInt(u16(c.version)) > 1 ? parseInt(u16(c.version)) : 1);
        }
    }
    EXPECT_EQ(hitsOf("a.nrt"), 1);
    EXPECT_FALSE(fs::exists(app.path() / "scripts" / "f0.nrt"));
}

TEST_F(ScriptUpdateTest, AMissingOrDamagedDescriptionStopsEarly) {
    EXPECT_EQ(update(), ScriptUpdateOutcome::Failed);
    EXPECT_EQ(ui.events, (std::vector<std::u16string>{u"pane:" + kChecking,
                                                      u"message::Could not download:  " + url("info.xml"),
                                                      u"pane:<b>Failed</b> to download script checking information."}));
    for (const std::string& damaged : {std::string("<other version=\"9\"/>"), std::string("not markup at all <<")}) {
        SCOPED_TRACE(damaged);
        ui = test::RecordingFlowUi();
        serve("info.xml", damaged);
        EXPECT_EQ(update(), ScriptUpdateOutcome::Failed);
        EXPECT_EQ(ui.events, (std::vector<std::u16string>{u"pane:" + kChecking,
                                                          u"pane:Did not download valid script checking information."}));
    }
    EXPECT_EQ(storedVersion(), -1);
}

TEST_F(ScriptUpdateTest, TheDemoStoresSetInstalls) {
    demo::DemoStore store{demo::StoreOptions{0, 0, ZELVON_SOURCE_DIR "/appdata", false}};
    ASSERT_TRUE(store.start());
    settings.writeString(u"Settings", u"AutoCheckUrl",
                         u16(store.baseUrl() + demo::kScriptUpdatePath + demo::kScriptInfoName));
    EXPECT_EQ(update(), ScriptUpdateOutcome::Installed) << toUtf8(ui.paneTexts.back());
    EXPECT_EQ(storedVersion(), demo::kPublishedScriptSet);
    EXPECT_EQ(ui.paneTexts.size(), demo::publishedScriptSet().size() + 2);
    EXPECT_EQ(catalogue.load(app.u16path()), ScriptCatalogue::LoadStatus::Loaded);
    EXPECT_TRUE(fs::exists(app.path() / "data" / "whatsNew.xml"));
}

} // namespace
} // namespace zelvon
