// The What's New and Best Selling lists downloaded from the demo store, read
// from their cache files, emptied and kept on failure.

#include "watch/store_lists.h"

#include "demo_store.h"
#include "foundation/file_io.h"
#include "store_pages.h"
#include "support/local_http_server.h"
#include "watch/store_flow_support.h"
#include "watch/watch_list.h"

namespace zelvon {
namespace {

constexpr StoreListKind kBothLists[] = {StoreListKind::WhatsNew, StoreListKind::BestSelling};

class StoreListTest : public test::StoreFlowTest {
protected:
    std::string listFile(StoreListKind kind) const {
        return kind == StoreListKind::WhatsNew ? "cache/whatsNewList.txt" : "cache/bestList.txt";
    }
    std::vector<std::u16string> storeOrder(StoreListKind kind) {
        std::vector<std::u16string> ids;
        for (const demo::Product& p :
             kind == StoreListKind::WhatsNew ? store_.catalogue().whatsNew() : store_.catalogue().bestSelling())
            ids.push_back(u16(p.id));
        return ids;
    }
    static std::vector<std::u16string> idsOf(const WatchList& list) {
        std::vector<std::u16string> ids;
        for (const ProductRecord& r : list.records())
            if (r.removed == 0)
                ids.push_back(r.productID);
        return ids;
    }
};

TEST_F(StoreListTest, DownloadWritesFreshRecordsInStoreOrder) {
    for (const StoreListKind kind : kBothLists) {
        SCOPED_TRACE(toUtf8(storeListBranchText(kind)));
        EXPECT_EQ(storeListFilePath(app_.u16path(), kind), app_.u16file(listFile(kind)));
        WatchList list;
        // Nothing cached yet: an empty list, and no message.
        ASSERT_TRUE(fillStoreList(kind, false, list, context()));
        EXPECT_EQ(list.count(), 0u);

        ASSERT_TRUE(fillStoreList(kind, true, list, context()));
        EXPECT_EQ(idsOf(list), storeOrder(kind));
        for (const ProductRecord& r : list.records()) {
            SCOPED_TRACE(toUtf8(r.productID));
            EXPECT_EQ(toUtf8(r.productURL), productUrl(toUtf8(r.productID)));
            EXPECT_FALSE(r.productName.empty());
            EXPECT_FALSE(r.productVersion.empty());
            EXPECT_EQ(r.isNew, 1);
            EXPECT_TRUE(r.previousVersion.empty());
            EXPECT_TRUE(r.lastReload.empty());
        }
        // The cached file gives the same list without a download.
        WatchList cached;
        ASSERT_TRUE(fillStoreList(kind, false, cached, context()));
        EXPECT_EQ(cached.records(), list.records());
        EXPECT_EQ(cached.path(), app_.u16file(listFile(kind)));
    }
    EXPECT_TRUE(ui_.messages.empty());
    EXPECT_EQ(ui_.waitDepth, 0);
    EXPECT_EQ(ui_.waitsBegun, 6);
}

TEST_F(StoreListTest, ListWithoutEntriesEmptiesListAndFile) {
    test::LocalHttpServer server;
    server.server().Get("/empty", [](const httplib::Request&, httplib::Response& response) {
        response.set_content(demo::renderWhatsNew({}).html, "text/html; charset=utf-8");
    });
    server.start();
    WatchList list;
    ASSERT_TRUE(fillStoreList(StoreListKind::WhatsNew, true, list, context()));
    ASSERT_GT(list.count(), 0u);

    setCatalogueUrl("whatsNew", server.url("/empty"));
    ASSERT_TRUE(fillStoreList(StoreListKind::WhatsNew, true, list, context()));
    server.stop();
    EXPECT_EQ(list.count(), 0u);
    EXPECT_EQ(app_.read("cache/whatsNewList.txt"), "<vertrel version=\"1.0\">\r\n</vertrel>\r\n");
    EXPECT_TRUE(ui_.messages.empty());
}

TEST_F(StoreListTest, FailedDownloadOrSaveKeepsTheCachedList) {
    const struct {
        StoreListKind kind;
        bool saveFails; // else the download fails
        const char16_t* caption;
    } cases[] = {
        // The saves first: a failed download leaves the list's address broken.
        {StoreListKind::WhatsNew, true, u"Failed to Get What's New List"},
        {StoreListKind::BestSelling, true, u"Failed to Get Best Selling List"},
        {StoreListKind::WhatsNew, false, u"Failed to Get What's New List"},
        {StoreListKind::BestSelling, false, u"Failed to Get Best Selling List"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(toUtf8(storeListBranchText(c.kind)) + (c.saveFails ? ", save fails" : ", download fails"));
        WatchList list;
        ASSERT_TRUE(fillStoreList(c.kind, true, list, context()));
        const std::string before = app_.read(listFile(c.kind));
        const auto records = list.records();
        ui_ = test::RecordingFlowUi();
        if (c.saveFails) {
            // A new version on the store, so a new list would differ from the
            // cached one; the disk fills up right before it would replace it.
            ASSERT_EQ(store_.catalogue().publish(toUtf8(storeOrder(c.kind).front()), "99.0", "01/01/2027"),
                      demo::StoreCatalogue::PublishResult::Published);
            setBeforeRenameHookForTesting([name = listFile(c.kind).substr(6)](const std::string& target) {
                return target.find(name) == std::string::npos;
            });
        } else {
            setCatalogueUrl(c.kind == StoreListKind::WhatsNew ? "whatsNew" : "bestSelling", store_.baseUrl() + "/gone");
        }
        const bool filled = fillStoreList(c.kind, true, list, context());
        setBeforeRenameHookForTesting(nullptr);
        EXPECT_FALSE(filled);
        ASSERT_EQ(ui_.messages.size(), 1u);
        EXPECT_EQ(ui_.messages[0].caption, c.caption);
        EXPECT_EQ(storeListCaption(c.kind), c.caption);
        if (c.saveFails)
            EXPECT_EQ(ui_.messages[0].text, u"Could not save the list to " + app_.u16file(listFile(c.kind)));
        else
            EXPECT_FALSE(ui_.messages[0].text.empty()) << "the transformer's errorText";
        EXPECT_EQ(app_.read(listFile(c.kind)), before);
        EXPECT_EQ(list.records(), records);
        EXPECT_EQ(ui_.waitDepth, 0);
    }
}

} // namespace
} // namespace zelvon
