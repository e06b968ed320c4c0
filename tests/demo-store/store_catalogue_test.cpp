#include "store_catalogue.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>

namespace zelvon::demo {
namespace {

std::vector<std::string> idsOf(const std::vector<Product>& products) {
    std::vector<std::string> ids;
    for (const Product& p : products)
        ids.push_back(p.id);
    return ids;
}

using Ids = std::vector<std::string>;

TEST(StoreSeed, HoldsSixtyWellFormedProducts) {
    const std::vector<Product> products = seedProducts();
    EXPECT_EQ(products.size(), 60u);
    std::set<std::string> ids;
    std::set<int> ranks;
    for (const Product& p : products) {
        SCOPED_TRACE(p.id);
        EXPECT_TRUE(ids.insert(p.id).second) << "duplicate ID";
        ASSERT_FALSE(p.releases.empty());
        EXPECT_GT(dateSortKey(p.date()), 20000000) << p.date();
        EXPECT_TRUE(isAcceptableVersion(p.version())) << p.version();
        const auto& cats = storeCategories();
        EXPECT_TRUE(std::any_of(cats.begin(), cats.end(), [&](const Category& c) { return c.slug == p.category; }));
        if (p.salesRank > 0) {
            EXPECT_TRUE(ranks.insert(p.salesRank).second) << "duplicate rank";
        }
        // The shipped scripts cut summaries at these markers.
        EXPECT_EQ(p.summary.find("</td>"), std::string::npos);
        EXPECT_EQ(p.summary.find("</span>"), std::string::npos);
        EXPECT_EQ(p.summary.find("</div>"), std::string::npos);
    }
    EXPECT_GE(ranks.size(), 10u);
}

TEST(StoreSearch, MatchesEveryWordWithoutRegardToCase) {
    const StoreCatalogue store;
    EXPECT_EQ(idsOf(store.search("chess")), (Ids{"20121", "20117"})); // by name
    EXPECT_EQ(idsOf(store.search("POCKET chess")), Ids{"20117"});
    EXPECT_EQ(idsOf(store.search("chess\tpocket")), Ids{"20117"});
    EXPECT_TRUE(store.search("chess+pocket").empty()); // a typed "+" belongs to the word
    EXPECT_EQ(idsOf(store.search("Crème")), Ids{"10412"});
    EXPECT_TRUE(store.search("zzz").empty());
    EXPECT_TRUE(store.search("").empty());
    EXPECT_TRUE(store.search(" + ").empty());

    const std::vector<Product> pocket = store.search("pocket");
    EXPECT_GE(pocket.size(), 5u);
    EXPECT_TRUE(std::is_sorted(pocket.begin(), pocket.end(), [](const Product& a, const Product& b) {
        std::string la = a.name, lb = b.name;
        std::transform(la.begin(), la.end(), la.begin(), ::tolower);
        std::transform(lb.begin(), lb.end(), lb.begin(), ::tolower);
        return la < lb;
    }));
}

TEST(StoreLists, RankAndDateOrder) {
    const StoreCatalogue store;
    const std::vector<Product> best = store.bestSelling();
    ASSERT_EQ(best.size(), 10u);
    for (size_t i = 0; i < best.size(); ++i)
        EXPECT_EQ(best[i].salesRank, static_cast<int>(i) + 1);

    const std::vector<Product> latest = store.whatsNew();
    ASSERT_EQ(latest.size(), 12u);
    for (size_t i = 1; i < latest.size(); ++i)
        EXPECT_GE(dateSortKey(latest[i - 1].date()), dateSortKey(latest[i].date()));
}

TEST(StorePublish, NewReleaseLeadsWhatsNew) {
    StoreCatalogue store;
    const Product before = *store.find("10412");
    Product published;
    ASSERT_EQ(store.publish("10412", "", "06/01/2006", &published), StoreCatalogue::PublishResult::Published);
    EXPECT_EQ(published.version(), "2.4.2");
    const Product after = *store.find("10412");
    EXPECT_EQ(after.version(), "2.4.2");
    EXPECT_EQ(after.date(), "06/01/2006");
    EXPECT_EQ(after.releases.size(), before.releases.size() + 1);
    EXPECT_EQ(after.releases[1].version, before.version());

    // Two releases on one day: the later one is listed first.
    ASSERT_EQ(store.publish("30325", "4.0", "06/01/2006"), StoreCatalogue::PublishResult::Published);
    EXPECT_EQ(idsOf(store.whatsNew(2)), (Ids{"30325", "10412"}));
}

TEST(StorePublish, RefusesUnknownProductsAndBadVersions) {
    StoreCatalogue store;
    EXPECT_EQ(store.publish("99999", "1.0", "06/01/2006"), StoreCatalogue::PublishResult::UnknownProduct);
    EXPECT_EQ(store.publish("", "1.0", "06/01/2006"), StoreCatalogue::PublishResult::UnknownProduct);
    for (const char* bad : {"<b>1</b>", "1&2", "a\"b", "1234567890123456789012345"})
        EXPECT_EQ(store.publish("10412", bad, "06/01/2006"), StoreCatalogue::PublishResult::InvalidVersion) << bad;
    EXPECT_EQ(store.find("10412")->version(), "2.4.1");
}

TEST(NextVersion, IncrementsTheLastNumber) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"2.4.1", "2.4.2"}, {"1.9", "1.10"},   {"0.99", "0.100"}, {"1.0 beta", "1.1 beta"},
        {"1.0b3", "1.0b4"}, {"Lite", "Lite.1"}, {"9", "10"},       {"99999999999999999999", "100000000000000000000"},
    };
    for (const auto& [version, next] : cases)
        EXPECT_EQ(nextVersion(version), next) << version;
}

TEST(DateSortKey, ReadsOnlyStoreDates) {
    EXPECT_EQ(dateSortKey("03/14/2005"), 20050314);
    EXPECT_LT(dateSortKey("12/31/2004"), dateSortKey("01/01/2005"));
    EXPECT_EQ(dateSortKey("3/14/2005"), 0);
    EXPECT_EQ(dateSortKey("03-14-2005"), 0);
    EXPECT_EQ(dateSortKey("0a/14/2005"), 0);
    EXPECT_GT(dateSortKey(todayAsStoreDate()), 20200000);
}

} // namespace
} // namespace zelvon::demo
