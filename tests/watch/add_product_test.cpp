// Adding products through the flows the Add Product dialog and the store-list
// command run, against the demo store, with every text and caption the user
// sees checked.

#include "watch/add_product.h"

#include "watch/download_completion.h"
#include "support/local_http_server.h"
#include "watch/record_commands.h"
#include "watch/store_lists.h"
#include "watch/store_flow_support.h"
#include "watch/watch_list.h"
#include "watch/app_paths.h"

#include <functional>
#include <mutex>
#include <regex>

namespace zelvon {
namespace {

using test::RecordingFlowUi;

ProductRecord namedRecord(const std::string& name) {
    ProductRecord r;
    r.productID = u16(name);
    r.productName = u16(name);
    return r;
}

TEST(WatchListLimit, FiftyProductsNotRemovedFillTheList) {
    const struct {
        size_t records;
        size_t removed;
        bool room;
    } cases[] = {{0, 0, true}, {49, 0, true}, {50, 0, false}, {51, 0, false}, {50, 1, true}, {52, 2, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.records) + " records, " + std::to_string(c.removed) + " removed");
        WatchList list;
        for (size_t i = 0; i < c.records; ++i)
            list.append(namedRecord("P" + std::to_string(i)));
        for (size_t i = 0; i < c.removed; ++i)
            list.markRemoved(i);
        RecordingFlowUi ui;
        EXPECT_EQ(watchListHasRoom(list, ui), c.room);
        if (c.room) {
            EXPECT_TRUE(ui.messages.empty());
        } else {
            ASSERT_EQ(ui.messages.size(), 1u);
            EXPECT_EQ(ui.messages[0].text, u"Sorry, but there is a limit of 50 Products.  You will need to remove "
                                           u"older products, before adding new ones.");
            EXPECT_EQ(ui.messages[0].caption, u"Notice");
        }
    }
}

class AddProductTest : public test::StoreFlowTest {
protected:
    void SetUp() override {
        StoreFlowTest::SetUp();
        list_.load(watchListFilePath(app_.u16path()), settings_, clock_);
    }

    // The list as the next start reads it from its file.
    WatchList reloaded() {
        WatchList list;
        list.load(watchListFilePath(app_.u16path()), settings_, clock_);
        return list;
    }

    WatchList list_;
};

TEST_F(AddProductTest, ByIdAddsTheStoresCurrentDataAsSeen) {
    bool saved = false;
    const auto added = addProduct(list_, AddMode::ById, u"10412", context(), &saved);
    ASSERT_EQ(added, std::vector<size_t>{0});
    EXPECT_TRUE(saved);
    const ProductRecord r = *list_.record(0);
    EXPECT_EQ(toUtf8(r.productURL), productUrl("10412"));
    EXPECT_EQ(r.productID, u"10412");
    EXPECT_EQ(r.productName, u"Cr\u00e8me Notes");
    EXPECT_EQ(r.productCompany, u"Lumen & Vale");
    EXPECT_EQ(r.productVersion, u"2.4.1");
    EXPECT_EQ(r.previousVersion, u"2.4.1");
    EXPECT_EQ(r.isNew, 0);
    EXPECT_EQ(r.keepNew, 0);
    EXPECT_EQ(r.lastReload, stamp());
    EXPECT_EQ(ui_.statusTexts, std::vector<std::u16string>{std::u16string(kAddOnlineNote)});
    EXPECT_TRUE(ui_.messages.empty());
    EXPECT_EQ(ui_.waitDepth, 0);

    EXPECT_EQ(reloaded().records(), std::vector<ProductRecord>{r});
}

// One row per product, whichever way it is added again; a removed entry
// does not count, and a file that already holds a duplicate keeps it whole.
TEST_F(AddProductTest, AProductAlreadyWatchedIsRefusedByName) {
    ASSERT_EQ(addProduct(list_, AddMode::ById, u"20117", context()), std::vector<size_t>{0});
    WatchList bestSelling;
    ASSERT_TRUE(fillStoreList(StoreListKind::BestSelling, true, bestSelling, context()));
    ProductRecord storeEntry = *bestSelling.record(0);
    storeEntry.productID = u"20117";
    const std::u16string refusal = u"\"Pocket Chess Master\" is already on your watch list.";
    const std::function<bool()> attempts[] = {
        [&] { return !addProduct(list_, AddMode::ById, u"20117", context()).empty(); },
        [&] { return !addProduct(list_, AddMode::ByName, u"Chess Master", context()).empty(); },
        [&] { return !addProduct(list_, AddMode::ByName, u"chess", context()).empty(); }, // picks the second
        [&] { return addFromStoreRecord(list_, storeEntry, context()).has_value(); },
    };
    for (size_t i = 0; i < std::size(attempts); ++i) {
        SCOPED_TRACE("attempt " + std::to_string(i));
        ui_ = RecordingFlowUi();
        ui_.pickAnswers.push_back(1);
        EXPECT_FALSE(attempts[i]());
        ASSERT_EQ(ui_.messages.size(), 1u);
        EXPECT_EQ(ui_.messages[0].text, refusal);
        EXPECT_EQ(ui_.messages[0].caption, u"Notice");
        EXPECT_EQ(list_.count(), 1u);
        EXPECT_EQ(ui_.waitDepth, 0);
    }
    // By ID and from a store list the refusal comes before any download.
    ui_ = RecordingFlowUi();
    addProduct(list_, AddMode::ById, u"20117", context());
    addFromStoreRecord(list_, storeEntry, context());
    EXPECT_EQ(ui_.waitsBegun, 0);

    // The choice marks the watched match; the other one is still added.
    ui_ = RecordingFlowUi();
    ui_.pickAnswers.push_back(0);
    ASSERT_EQ(addProduct(list_, AddMode::ByName, u"chess", context()), std::vector<size_t>{1});
    EXPECT_EQ(ui_.pickOffers, (std::vector<std::vector<std::u16string>>{
                                  {u"Chess Puzzles Daily", u"Pocket Chess Master" + std::u16string(kWatchedMatchSuffix)}}));

    // Removed, the product may come back.
    ASSERT_TRUE(removeProduct(list_, 0));
    ui_ = RecordingFlowUi();
    EXPECT_EQ(addProduct(list_, AddMode::ById, u"20117", context()).size(), 1u);
    EXPECT_TRUE(ui_.messages.empty());

    // A file written before duplicates were refused loads and saves whole.
    WatchList old = reloaded();
    const ProductRecord twin = *old.record(0);
    old.append(twin);
    old.append(twin);
    ASSERT_TRUE(old.save());
    WatchList loaded = reloaded();
    ASSERT_EQ(loaded.count(), old.count());
    ASSERT_TRUE(loaded.save());
    EXPECT_EQ(reloaded().records(), old.records());
    EXPECT_EQ(findWatchedProduct(loaded, twin.productID), std::optional<size_t>{0});
}

TEST_F(AddProductTest, SearchByNameMatchesChoicesAndFailures) {
    const struct {
        const char16_t* words;
        std::optional<size_t> pick; // answer to the Select Item choice
        std::vector<std::u16string> offered;
        const char16_t* addedId; // nullptr: nothing added
        const char16_t* messageText;
        const char16_t* messageCaption;
    } cases[] = {
        // One match is added without asking.
        {u"Chess Master", std::nullopt, {}, u"20117", nullptr, nullptr},
        {u"chess", 0, {u"Chess Puzzles Daily", u"Pocket Chess Master" + std::u16string(kWatchedMatchSuffix)}, u"20121",
         nullptr, nullptr},
        // A cancelled choice fails quietly.
        {u"chess", std::nullopt,
         {u"Chess Puzzles Daily" + std::u16string(kWatchedMatchSuffix),
          u"Pocket Chess Master" + std::u16string(kWatchedMatchSuffix)},
         nullptr, nullptr, nullptr},
        {u"Quixotic Zebra", std::nullopt, {}, nullptr, u"Could not find the specified Product Name", u"Try Again"},
        // "&" reaches the store as typed: one product, not every "Notes".
        {u"Notes & Sketches", std::nullopt, {}, u"10533", nullptr, nullptr},
        {u"", std::nullopt, {}, nullptr, u"Please Enter a Product ID/Name", u"Invalid Entry"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(toUtf8(c.words));
        ui_ = RecordingFlowUi();
        ui_.pickAnswers.push_back(c.pick);
        const size_t before = list_.count();
        const auto added = addProduct(list_, AddMode::ByName, c.words, context());
        if (c.offered.empty())
            EXPECT_TRUE(ui_.pickOffers.empty());
        else
            EXPECT_EQ(ui_.pickOffers, std::vector<std::vector<std::u16string>>{c.offered});
        if (c.addedId != nullptr) {
            ASSERT_EQ(added, std::vector<size_t>{before});
            EXPECT_EQ(list_.record(before)->productID, c.addedId);
            EXPECT_EQ(toUtf8(list_.record(before)->productURL), productUrl(toUtf8(c.addedId)));
        } else {
            EXPECT_TRUE(added.empty());
            EXPECT_EQ(list_.count(), before);
        }
        if (c.messageText != nullptr) {
            ASSERT_EQ(ui_.messages.size(), 1u);
            EXPECT_EQ(ui_.messages[0].text, c.messageText);
            EXPECT_EQ(ui_.messages[0].caption, c.messageCaption);
        } else {
            EXPECT_TRUE(ui_.messages.empty());
        }
        EXPECT_EQ(ui_.waitDepth, 0);
    }
    EXPECT_EQ(reloaded().count(), list_.count());
}

TEST_F(AddProductTest, FailedDownloadsSayWhyInStatusAndMessage) {
    // An unknown ID: the store answers 404.
    EXPECT_FALSE(runAddLookup(AddMode::ById, u"99999", context()));
    ASSERT_EQ(ui_.statusTexts.size(), 2u);
    EXPECT_EQ(ui_.statusTexts[0], kAddOnlineNote);
    EXPECT_TRUE(ui_.statusTexts[1].starts_with(u"Failed to Get Product Details:  "));
    EXPECT_GT(ui_.statusTexts[1].size(), 32u) << "the transformer's errorText follows";
    ASSERT_EQ(ui_.messages.size(), 1u);
    EXPECT_EQ(ui_.messages[0].text, u"Could not find the specified ProductID");
    EXPECT_EQ(ui_.messages[0].caption, u"Failure");
    ASSERT_EQ(ui_.failures.size(), 1u);
    EXPECT_EQ(toUtf8(describeFailure(ui_.failures[0])), "the server answered 404 Not Found");

    ui_ = RecordingFlowUi();
    setCatalogueUrl("nameSearch", "http://127.0.0.1:1/search?q=");
    EXPECT_TRUE(addProduct(list_, AddMode::ByName, u"chess", context()).empty());
    ASSERT_EQ(ui_.statusTexts.size(), 2u);
    EXPECT_TRUE(ui_.statusTexts[1].starts_with(u"Failed to Get Product List:  "));
    // The store is down: nothing was searched, and the box says so.
    ASSERT_EQ(ui_.messages.size(), 1u);
    EXPECT_EQ(ui_.messages[0].text, kSearchRequestFailedText);
    EXPECT_EQ(ui_.messages[0].caption, u"Failure");
    ASSERT_EQ(ui_.failures.size(), 1u);
    EXPECT_EQ(toUtf8(describeFailure(ui_.failures[0])), "the server refused the connection (127.0.0.1:1)");
    EXPECT_EQ(list_.count(), 0u);
    EXPECT_EQ(ui_.waitDepth, 0);
}

TEST_F(AddProductTest, APageWithoutNameAndVersionIsNotAdded) {
    // The store's own page with the name and the version left empty: the
    // script runs through and gives an empty source.
    httplib::Client storeClient(store_.baseUrl());
    const auto real = storeClient.Get("/store/product?pid=10412");
    ASSERT_TRUE(real);
    std::string page = std::regex_replace(real->body, std::regex("(<h1 class=\"product-name\">)[^<]*"), "$1");
    page = std::regex_replace(page, std::regex("(<td class=\"version\">)[^<]*"), "$1");
    test::LocalHttpServer server;
    server.server().Get("/product", [page](const httplib::Request&, httplib::Response& response) {
        response.set_content(page, "text/html");
    });
    server.start();
    setCatalogueUrl("productDetail", server.url("/product?pid="));

    EXPECT_TRUE(addProduct(list_, AddMode::ById, u"10412", context()).empty());
    ASSERT_EQ(ui_.statusTexts.size(), 2u);
    EXPECT_EQ(ui_.statusTexts[1], u"Failed to Get Product Details:  " + std::u16string(kUnreadablePageText));
    ASSERT_EQ(ui_.messages.size(), 1u);
    EXPECT_EQ(ui_.messages[0].text, u"Could not find the specified ProductID");

    ui_ = RecordingFlowUi();
    EXPECT_FALSE(addFromStoreRecord(list_, namedRecord("10412"), context()));
    ASSERT_EQ(ui_.messages.size(), 1u);
    EXPECT_EQ(ui_.messages[0].text, kUnreadablePageText);
    EXPECT_EQ(ui_.messages[0].caption, u"Failed to Get Product Details");
    server.stop();
    EXPECT_EQ(list_.count(), 0u);
    EXPECT_EQ(reloaded().count(), 0u);
}

TEST_F(AddProductTest, SearchWordsReachTheStoreAsTyped) {
    test::LocalHttpServer server;
    std::mutex mutex;
    std::vector<std::string> queries;
    server.server().Get("/search", [&](const httplib::Request& request, httplib::Response& response) {
        std::lock_guard<std::mutex> lock(mutex);
        queries.push_back(request.get_param_value("q"));
        response.set_content("<html><body><div id=\"results\"></div></body></html>", "text/html");
    });
    server.start();
    setCatalogueUrl("nameSearch", server.url("/search?q="));
    for (const char16_t* words : {u"C++", u"R&D", u"caf\u00e9 50%", u"two  blanks"})
        EXPECT_FALSE(runAddLookup(AddMode::ByName, words, context()));
    server.stop();
    EXPECT_EQ(queries, (std::vector<std::string>{"C++", "R&D", "caf\xc3\xa9 50%", "two  blanks"}));
}

TEST_F(AddProductTest, AddingFromEitherStoreListGivesASeenEntry) {
    for (const StoreListKind kind : {StoreListKind::WhatsNew, StoreListKind::BestSelling}) {
        SCOPED_TRACE(toUtf8(storeListBranchText(kind)));
        WatchList storeList;
        ASSERT_TRUE(fillStoreList(kind, true, storeList, context()));
        ASSERT_GT(storeList.count(), 1u);
        const ProductRecord entry = *storeList.record(1);
        ASSERT_EQ(entry.isNew, 1);

        const std::optional<size_t> index = addFromStoreRecord(list_, entry, context());
        ASSERT_TRUE(index);
        const ProductRecord r = *list_.record(*index);
        EXPECT_EQ(*index, list_.count() - 1);
        EXPECT_EQ(r.productID, entry.productID);
        EXPECT_EQ(toUtf8(r.productURL), productUrl(toUtf8(entry.productID)));
        EXPECT_EQ(r.productName, entry.productName);
        EXPECT_EQ(r.previousVersion, r.productVersion);
        EXPECT_EQ(r.isNew, 0);
        EXPECT_EQ(r.lastReload, stamp());
        EXPECT_TRUE(ui_.messages.empty());
    }
    EXPECT_EQ(reloaded().count(), 2u);
}

TEST_F(AddProductTest, StoreRecordFailureAndLimitLeaveTheListAlone) {
    ProductRecord gone = namedRecord("Withdrawn");
    gone.productID = u"99999";
    EXPECT_FALSE(addFromStoreRecord(list_, gone, context()));
    ASSERT_EQ(ui_.messages.size(), 1u);
    EXPECT_EQ(ui_.messages[0].caption, u"Failed to Get Product Details");
    EXPECT_FALSE(ui_.messages[0].text.empty()) << "the transformer's errorText";
    EXPECT_EQ(list_.count(), 0u);

    for (size_t i = 0; i < kWatchListLimit; ++i)
        list_.append(namedRecord("P" + std::to_string(i)));
    ui_ = RecordingFlowUi();
    ProductRecord entry = namedRecord("Chess");
    entry.productID = u"20117";
    EXPECT_FALSE(addFromStoreRecord(list_, entry, context()));
    EXPECT_TRUE(addProduct(list_, AddMode::ById, u"20117", context()).empty());
    ASSERT_EQ(ui_.messages.size(), 2u);
    EXPECT_EQ(ui_.messages[1].caption, u"Notice");
    EXPECT_EQ(ui_.waitsBegun, 0) << "nothing is downloaded over the limit";
    EXPECT_TRUE(ui_.statusTexts.empty());

    // One Remove makes room again.
    ASSERT_TRUE(removeProduct(list_, 7));
    EXPECT_TRUE(addFromStoreRecord(list_, entry, context()));
}

TEST_F(AddProductTest, RemoveThenAddKeepsTheOtherIndexes) {
    for (const char16_t* id : {u"10412", u"10527", u"20104"})
        ASSERT_EQ(addProduct(list_, AddMode::ById, id, context()).size(), 1u);
    ASSERT_TRUE(removeProduct(list_, 1));
    ASSERT_EQ(addProduct(list_, AddMode::ById, u"20117", context()), std::vector<size_t>{3});
    EXPECT_EQ(list_.record(0)->productID, u"10412");
    EXPECT_EQ(list_.record(2)->productID, u"20104");
    EXPECT_EQ(list_.record(3)->productID, u"20117");

    const WatchList file = reloaded();
    ASSERT_EQ(file.count(), 3u);
    EXPECT_EQ(file.record(1)->productID, u"20104");
    EXPECT_EQ(file.record(2)->productID, u"20117");
}

} // namespace
} // namespace zelvon
