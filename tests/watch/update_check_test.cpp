#include "watch/download_completion.h"
#include "watch/download_job.h"
#include "watch/update_batch.h"

#include "app/settings_store.h"
#include "foundation/text_codec.h"
#include "net/http_fetcher.h"
#include "support/local_http_server.h"
#include "watch/branch_order.h"
#include "watch/clock.h"
#include "watch/script_catalogue.h"
#include "watch/watch_list.h"
#include "watch/update_check_fixture.h"

#include <gtest/gtest.h>

#include <mutex>

namespace zelvon {
namespace {

using test::TempDir;

using test::noonInJune;

// ---- applying transformer output to a record (no network) ------------------

TEST(DetailOutput, FieldsMarkAndStamp) {
    ProductRecord base;
    base.productURL = u"http://s/p?id=7";
    base.productID = u"7";
    base.productName = u"Old";
    base.productCompany = u"Old Co";
    base.productVersion = u"1.0";
    base.previousVersion = u"1.0";
    base.isNew = 0;
    base.keepNew = 1;
    base.groupType = 4;

    const struct {
        const char* label;
        const char16_t* output;
        bool applied;
        const char16_t* name;
        const char16_t* company;
        const char16_t* version;
        int isNew;
    } cases[] = {
        {"same version",
         u"<root><source productName=\"New\" productCompany=\"Co\" productVersion=\"1.0\" productDate=\"d\" "
         u"productDescription=\"x\"/></root>",
         true, u"New", u"Co", u"1.0", 0},
        {"other version",
         u"<root><source productName=\"New\" productCompany=\"Co\" productVersion=\"1.1\"/></root>", true, u"New",
         u"Co", u"1.1", 1},
        {"missing company and version",
         u"<root><source productName=\"New\"/></root>", true, u"New", u"", u"", 1},
        {"markup entities",
         u"<root><source productName=\"Tom&#039;s &quot;Pad&quot; &lt;3&gt; &amp;\" productVersion=\"1.0\"/></root>",
         true, u"Tom's \"Pad\" <3> &amp;", u"", u"1.0", 0},
        {"last source wins, others ignored",
         u"<root><source productName=\"First\" productVersion=\"9\"/><other productName=\"No\"/>"
         u"<source productName=\"Second\" productVersion=\"1.0\"/></root>",
         true, u"Second", u"", u"1.0", 1},
        {"no root", u"<kelpo><source productName=\"X\" productVersion=\"2\"/></kelpo>", false, u"Old", u"Old Co",
         u"1.0", 0},
        {"root without source", u"<root><item productName=\"X\"/></root>", false, u"Old", u"Old Co", u"1.0", 0},
        {"neither name nor version: a page the script no longer reads",
         u"<root><source productName=\"\" productCompany=\"Co\" productVersion=\"\"/></root>", false, u"Old",
         u"Old Co", u"1.0", 0},
        {"not markup", u"Could not download", false, u"Old", u"Old Co", u"1.0", 0},
        {"empty", u"", false, u"Old", u"Old Co", u"1.0", 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        ProductRecord r = base;
        EXPECT_EQ(applyDetailOutput(c.output, u"06/15/2023 12:00", r), c.applied);
        EXPECT_EQ(r.productName, c.name);
        EXPECT_EQ(r.productCompany, c.company);
        EXPECT_EQ(r.productVersion, c.version);
        EXPECT_EQ(r.isNew, c.isNew);
        EXPECT_EQ(r.lastReload, c.applied ? u"06/15/2023 12:00" : u"");
        // Never touched by a download.
        EXPECT_EQ(r.previousVersion, u"1.0");
        EXPECT_EQ(r.productID, u"7");
        EXPECT_EQ(r.productURL, u"http://s/p?id=7");
        EXPECT_EQ(r.keepNew, 1);
        EXPECT_EQ(r.groupType, 4);
    }
}

TEST(DownloadCompletion, NothingToReadChangesNothing) {
    // Failures and unusable output after a download are covered against
    // the store below; here, an output that is not there and a record
    // that is not there.
    TempDir app;
    WatchList list;
    list.load(app.u16file("productList.txt"), 0, noonInJune());
    list.append(ProductRecord{});
    ASSERT_TRUE(list.save());
    const std::string file = app.read("productList.txt");
    app.write("productTemp.txt", "<root><source productName=\"X\" productVersion=\"9\"/></root>");
    const FixedClock clock(noonInJune());
    EXPECT_FALSE(completeDownload(list, 0, true, app.u16file("absent.txt"), clock).updated);
    EXPECT_FALSE(completeDownload(list, 1, true, app.u16file("productTemp.txt"), clock).updated);
    EXPECT_EQ(*list.record(0), ProductRecord{});
    EXPECT_EQ(app.read("productList.txt"), file);
}

// ---- the whole check against a local store ---------------------------------

class UpdateCheck : public test::UpdateCheckFixture {};

TEST_F(UpdateCheck, NewMarkFollowsTheVersionAndIsNeverTakenAway) {
    const size_t index = addProduct("42", "Old name", "1.0", 0);
    CompletionOutcome outcome;
    const DownloadResult result = check(index, &outcome);
    ASSERT_TRUE(result.success) << toUtf8(result.errorText);
    EXPECT_TRUE(result.errorText.empty());
    EXPECT_TRUE(outcome.updated && outcome.saved);
    ProductRecord r = *list_.record(index);
    EXPECT_EQ(r.productName, u"Tom's \"Quick\" Editor");
    EXPECT_EQ(r.productCompany, u"Orvalis & Sons");
    EXPECT_EQ(r.productDate, u"2004-04-03");
    EXPECT_EQ(r.productDescription, u"Edits text.");
    EXPECT_EQ(r.isNew, 0) << "same version";
    EXPECT_EQ(r.lastReload, u"06/15/2023 12:00");
    EXPECT_EQ(r.productURL, catalogue_.detailUrl(u"42"));
    EXPECT_EQ(outcome.record, r);
    EXPECT_EQ(onDisk(index), r) << "the list was saved with the new data";
    EXPECT_EQ(requests(), std::vector<std::string>{"/product/42"});

    setPage(test::productPage("Pad", "Orvalis", "1.1"));
    ASSERT_TRUE(check(index).success);
    EXPECT_EQ(list_.record(index)->isNew, 1) << "other version";
    EXPECT_EQ(list_.record(index)->productVersion, u"1.1");
    EXPECT_EQ(list_.record(index)->previousVersion, u"1.0");

    clock_.set(noonInJune() + std::chrono::hours(1));
    setPage(test::productPage("Pad", "Orvalis", "1.0"));
    ASSERT_TRUE(check(index).success);
    r = onDisk(index);
    EXPECT_EQ(r.isNew, 1) << "a version changing back keeps the mark";
    EXPECT_EQ(r.productVersion, u"1.0");
    EXPECT_EQ(r.lastReload, u"06/15/2023 13:00");
}

TEST_F(UpdateCheck, AttributeMissingFromTheOutputEmptiesTheField) {
    app_.write("scripts/detail.nrt", test::detailTransformer(server_.url("/product/own"), /*withCompany=*/false));
    const size_t index = addProduct("42", "Pad", "1.0", 0);
    ProductRecord withCompany = *list_.record(index);
    withCompany.productCompany = u"Was here";
    list_.setRecord(index, withCompany);
    ASSERT_TRUE(check(index).success);
    EXPECT_TRUE(list_.record(index)->productCompany.empty());
    EXPECT_EQ(list_.record(index)->productName, u"Tom's \"Quick\" Editor");
}

TEST_F(UpdateCheck, FailedDownloadKeepsRecordAndFile) {
    const size_t good = addProduct("42", "Good", "1.0", 0);
    const size_t bad = addProduct("", "Bad", "3.0", 0);
    ProductRecord badRecord = *list_.record(bad);
    badRecord.productURL = u16(server_.url("/missing"));
    list_.setRecord(bad, badRecord);
    ASSERT_TRUE(list_.save());

    // The good product leaves its output in productTemp.txt; the failures
    // after it must not pick that up.
    ASSERT_TRUE(check(good).success);
    const std::string file = app_.read("cache/productList.txt");
    CompletionOutcome outcome;
    DownloadResult result = check(bad, &outcome);
    EXPECT_FALSE(result.success);
    EXPECT_NE(result.errorText.find(u"Could not download:  " + u16(server_.url("/missing"))), std::u16string::npos)
        << toUtf8(result.errorText);
    EXPECT_FALSE(outcome.updated);

    // A script the catalogue names but the folder lacks: nothing is fetched.
    app_.write("scripts/scripts.txt", test::catalogueText(server_.url("/product/"), "gone.nrt"));
    ASSERT_EQ(catalogue_.load(app_.u16path()), ScriptCatalogue::LoadStatus::Loaded);
    result = check(good, &outcome);
    EXPECT_FALSE(result.success);
    EXPECT_EQ(result.errorText, u"Could not Open:  " + app_.u16path() + u"/scripts/gone.nrt\n");
    EXPECT_FALSE(outcome.updated);
    EXPECT_EQ(requests(), std::vector<std::string>{"/product/42"}) << "only the good product's page";

    EXPECT_EQ(*list_.record(bad), badRecord);
    EXPECT_EQ(app_.read("cache/productList.txt"), file);
}

TEST_F(UpdateCheck, EmptyProductUrlReadsThePageTheScriptNames) {
    const size_t index = addProduct("", "Nameless", "0.9", 0);
    setPage(test::productPage("Own Page", "Orvalis", "2.0"));
    ASSERT_TRUE(check(index).success);
    EXPECT_EQ(requests(), std::vector<std::string>{"/product/own"});
    EXPECT_EQ(list_.record(index)->productName, u"Own Page");
    EXPECT_EQ(list_.record(index)->isNew, 1);
    EXPECT_TRUE(list_.record(index)->productURL.empty());
}

TEST_F(UpdateCheck, ProxySettingsReachTheDownload) {
    // A second local server plays the proxy: it answers every request with
    // its own page, so the record shows which way the download went.
    test::LocalHttpServer proxy;
    proxy.server().Get(".*", [](const httplib::Request&, httplib::Response& response) {
        response.set_content(test::productPage("Via Proxy", "Orvalis", "7.7"), "text/html");
    });
    proxy.start();

    TempDir config;
    SettingsStore settings(config.str());
    settings.bind(u"Tervane", u"Zelvon");
    settings.writeInt(u"Settings", u"UseProxy", 1);
    // Without an address the flag does not count.
    EXPECT_EQ(ProxySettings::fromSettings(settings).useProxy, 0);
    settings.writeString(u"Settings", u"ProxyAddress", u"127.0.0.1");
    settings.writeString(u"Settings", u"ProxyPort", u16(std::to_string(proxy.port())));
    proxy_ = ProxySettings::fromSettings(settings);
    EXPECT_EQ(proxy_.useProxy, 1);
    EXPECT_EQ(proxy_.port, u16(std::to_string(proxy.port())));

    const size_t index = addProduct("42", "Pad", "1.0", 0);
    ASSERT_TRUE(check(index).success);
    EXPECT_EQ(list_.record(index)->productName, u"Via Proxy");
    EXPECT_TRUE(requests().empty());

    settings.writeInt(u"Settings", u"UseProxy", 0);
    proxy_ = ProxySettings::fromSettings(settings);
    ASSERT_TRUE(check(index).success);
    EXPECT_EQ(list_.record(index)->productName, u"Tom's \"Quick\" Editor");
}

// ---- batches ---------------------------------------------------------------

// Branch order and a batch going on after a failure are shown end to end
// by the command-line tests.
class CancellingObserver : public UpdateCheckObserver {
public:
    void downloadStarting(size_t, const ProductRecord&) override {}
    void downloadSucceeded(size_t, const ProductRecord&, const CompletionOutcome&) override { ++successes; }
    void downloadFailed(size_t, const ProductRecord&, const std::u16string&, const Failure&) override {}
    bool cancelRequested() override { return successes >= 2; }
    int successes = 0;
};

TEST_F(UpdateCheck, CancelStopsBetweenProductsAndKeepsWhatWasDone) {
    for (const char* id : {"1", "2", "3", "4", "5"})
        addProduct(id, std::string("P") + id, "1.0", 0);
    setPage(test::productPage("Checked", "Orvalis", "1.5"));
    CancellingObserver observer;
    const UpdateCheckContext context{app_.u16path(), catalogue_, proxy_, clock_};
    const UpdateBatchSummary summary = runUpdateChecks(list_, {0, 1, 2, 3, 4}, context, observer);
    EXPECT_TRUE(summary.cancelled);
    EXPECT_EQ(summary.checked, 2u);
    EXPECT_EQ(requests().size(), 2u);
    EXPECT_EQ(onDisk(1).productName, u"Checked");
    EXPECT_EQ(onDisk(2).productName, u"P3");
}

} // namespace
} // namespace zelvon
