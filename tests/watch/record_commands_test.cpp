// Remove, the Mark As New toggle and acknowledge on a saved watch list.

#include "watch/record_commands.h"

#include "foundation/text_codec.h"
#include "support/temp_dir.h"
#include "watch/watch_list.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace zelvon {
namespace {

using test::TempDir;

constexpr int kNeverExpire = 1000000;
const TimePoint kNow = std::chrono::system_clock::now();

ProductRecord product(const char16_t* id, const char16_t* version, const char16_t* previous, int isNew,
                      int keepNew = 0) {
    ProductRecord r;
    r.productID = id;
    r.productName = id;
    r.productVersion = version;
    r.previousVersion = previous;
    r.lastReload = u"01/01/2023 08:00";
    r.isNew = isNew;
    r.keepNew = keepNew;
    return r;
}

class RecordCommandsTest : public ::testing::Test {
protected:
    void SetUp() override {
        list_.load(dir_.u16file("productList.txt"), kNeverExpire, kNow);
        list_.append(product(u"A", u"2.0", u"1.0", 0)); // seen, versions differ
        list_.append(product(u"B", u"3.1", u"3.0", 1)); // found new
        list_.append(product(u"C", u"1.0", u"1.0", 1, 1)); // marked new by hand
        list_.append(product(u"D", u"5.0", u"4.0", 1)); // new, but removed below
        list_.markRemoved(3);
        ASSERT_TRUE(list_.save());
    }
    WatchList reloaded() const {
        WatchList list;
        list.load(dir_.u16file("productList.txt"), kNeverExpire, kNow);
        return list;
    }

    TempDir dir_;
    WatchList list_;
};

TEST_F(RecordCommandsTest, MarkAsNewTwiceEndsSeen) {
    ASSERT_TRUE(toggleMarkNew(list_, 0));
    EXPECT_EQ(*reloaded().record(0), product(u"A", u"2.0", u"1.0", 1, 1));

    ASSERT_TRUE(toggleMarkNew(list_, 0));
    EXPECT_EQ(*reloaded().record(0), product(u"A", u"2.0", u"2.0", 0));
    EXPECT_EQ(*list_.record(0), *reloaded().record(0));

    EXPECT_FALSE(toggleMarkNew(list_, 3)) << "removed";
    EXPECT_FALSE(toggleMarkNew(list_, 9));
}

TEST_F(RecordCommandsTest, AcknowledgeClearsOnlyNewProducts) {
    bool saved = false;
    EXPECT_EQ(acknowledgeNew(list_, {0, 1, 2, 3, 42}, &saved), 2u);
    EXPECT_TRUE(saved);
    const WatchList file = reloaded();
    ASSERT_EQ(file.count(), 3u);
    EXPECT_EQ(*file.record(0), product(u"A", u"2.0", u"1.0", 0)) << "not new: untouched";
    EXPECT_EQ(*file.record(1), product(u"B", u"3.1", u"3.1", 0));
    EXPECT_EQ(*file.record(2), product(u"C", u"1.0", u"1.0", 0, 0));
    EXPECT_EQ(list_.record(3)->isNew, 1) << "removed: untouched";

    // Nothing left to acknowledge: no save at all.
    std::filesystem::remove(dir_.file("productList.txt"));
    EXPECT_EQ(acknowledgeNew(list_, {0, 1, 2}, &saved), 0u);
    EXPECT_TRUE(saved);
    EXPECT_FALSE(std::filesystem::exists(dir_.file("productList.txt")));
}

TEST_F(RecordCommandsTest, RemoveKeepsIndexesAndDropsFromFile) {
    EXPECT_FALSE(removeProduct(list_, 3)) << "already removed";
    EXPECT_FALSE(removeProduct(list_, 4));
    ASSERT_TRUE(removeProduct(list_, 1));
    EXPECT_EQ(list_.count(), 4u);
    EXPECT_EQ(list_.record(2)->productID, u"C");
    const WatchList file = reloaded();
    ASSERT_EQ(file.count(), 2u);
    EXPECT_EQ(file.record(1)->productID, u"C");

    // Several at once: one save, the removed, the unknown and the twice-named passed over.
    EXPECT_EQ(removeProducts(list_, {3, 9, 0, 0}), std::optional<size_t>(1));
    ASSERT_EQ(reloaded().count(), 1u);
    EXPECT_EQ(reloaded().record(0)->productID, u"C");
}

TEST_F(RecordCommandsTest, FailedSaveIsReported) {
    WatchList list;
    list.load(dir_.u16file("missing-folder/productList.txt"), kNeverExpire, kNow);
    list.append(product(u"A", u"2.0", u"2.0", 1));
    list.append(product(u"B", u"2.0", u"2.0", 1));
    bool saved = true;
    EXPECT_EQ(acknowledgeNew(list, {0}, &saved), 1u);
    EXPECT_FALSE(saved);
    EXPECT_FALSE(toggleMarkNew(list, 0));
    EXPECT_FALSE(removeProduct(list, 1));
    EXPECT_FALSE(removeProducts(list, {0}));
}

} // namespace
} // namespace zelvon
