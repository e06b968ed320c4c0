#include "watch/new_mark_expiry.h"

#include "app/settings_store.h"
#include "foundation/text_codec.h"
#include "support/temp_dir.h"
#include "watch/clock.h"
#include "watch/watch_list.h"

#include <gtest/gtest.h>

namespace zelvon {
namespace {

using namespace std::chrono_literals;

// Mid-June noon, on a whole minute, far from daylight-saving changes, so
// stamps round-trip through the minute-precise text exactly.
TimePoint referenceNow() {
    const auto parsed = parseDateTime(u"06/15/2023 12:00");
    EXPECT_TRUE(parsed.has_value());
    return parsed.value_or(TimePoint{});
}

ProductRecord newRecordCheckedAt(TimePoint checkedAt) {
    ProductRecord r;
    r.productVersion = u"2.0";
    r.previousVersion = u"1.0";
    r.lastReload = formatDateTime(checkedAt);
    r.isNew = 1;
    return r;
}

TEST(NewMarkExpiry, DayBoundaries) {
    const TimePoint now = referenceNow();
    const struct {
        int leaveNew;
        std::chrono::minutes age; // negative: a stamp in the future
        bool expires;
    } cases[] = {
        {3, 2 * 24h + 23h, false},
        {3, 3 * 24h - 1min, false},
        {3, 3 * 24h, true},
        {3, 10 * 24h, true},
        {1, 23h + 59min, false},
        {1, 24h, true},
        {0, 0min, true},
        {0, 5 * 24h, true},
        // Truncation toward zero: less than a day ahead is still day zero.
        {0, -23h, true},
        {0, -(24h + 1h), false},
        {7, 7 * 24h, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "LeaveNew " << c.leaveNew << ", age " << c.age.count() << " min");
        ProductRecord r = newRecordCheckedAt(now - c.age);
        const ProductRecord before = r;
        EXPECT_EQ(expireNewMark(r, c.leaveNew, now), c.expires);
        if (c.expires) {
            EXPECT_EQ(r.isNew, 0);
            EXPECT_EQ(r.previousVersion, u"2.0") << "the update counts as acknowledged";
            EXPECT_EQ(r.lastReload, before.lastReload);
        } else {
            EXPECT_EQ(r, before);
        }
    }
}

TEST(NewMarkExpiry, RecordsThatNeverExpire) {
    const TimePoint now = referenceNow();
    ProductRecord kept = newRecordCheckedAt(now - 400 * 24h);
    kept.keepNew = 1;
    ProductRecord neverChecked = newRecordCheckedAt(now);
    neverChecked.lastReload.clear(); // store-list records
    ProductRecord notNew = newRecordCheckedAt(now - 400 * 24h);
    notNew.isNew = 0; // previousVersion must not be touched either

    // Only our own month/day/year pattern counts; anything else leaves the
    // record alone instead of guessing.
    const char16_t* unreadable[] = {u"15/06/2023 12:00", u"2023-06-10 12:00", u"06/10/2023", u"yesterday",
                                    u"06/10/2023 12:00 PM"};
    for (ProductRecord r : {kept, neverChecked, notNew}) {
        const ProductRecord before = r;
        EXPECT_FALSE(expireNewMark(r, 0, now));
        EXPECT_EQ(r, before);
    }
    for (const char16_t* text : unreadable) {
        SCOPED_TRACE(toUtf8(text));
        ProductRecord r = newRecordCheckedAt(now);
        r.lastReload = text;
        const ProductRecord before = r;
        EXPECT_FALSE(expireNewMark(r, 0, now));
        EXPECT_EQ(r, before);
    }
}

TEST(NewMarkExpiry, LoadAgesRecordsWithLeaveNewFromTheSettingsAndLeavesTheFileAlone) {
    test::TempDir dir;
    SettingsStore settings(dir.file("config"));
    settings.bind(u"Tervane", u"Zelvon");
    const FixedClock clock(referenceNow());

    WatchList list;
    list.load(dir.u16file("productList.txt"), 0, clock.now());
    ProductRecord old = newRecordCheckedAt(clock.now() - 4 * 24h);
    old.productName = u"old";
    ProductRecord recent = newRecordCheckedAt(clock.now() - 2 * 24h);
    recent.productName = u"recent";
    list.append(old);
    list.append(recent);
    ASSERT_TRUE(list.save());
    const std::string file = dir.read("productList.txt");

    // Without a LeaveNew setting the default of 0 days clears both.
    WatchList byDefault;
    ASSERT_TRUE(byDefault.load(dir.u16file("productList.txt"), settings, clock));
    EXPECT_EQ(byDefault.record(0)->isNew, 0);
    EXPECT_EQ(byDefault.record(1)->isNew, 0);

    settings.writeInt(u"Prefs", u"LeaveNew", 3);
    WatchList threeDays;
    ASSERT_TRUE(threeDays.load(dir.u16file("productList.txt"), settings, clock));
    EXPECT_EQ(threeDays.record(0)->isNew, 0);
    EXPECT_EQ(threeDays.record(0)->previousVersion, u"2.0");
    EXPECT_EQ(threeDays.record(1)->isNew, 1);
    EXPECT_EQ(threeDays.record(1)->previousVersion, u"1.0");

    EXPECT_EQ(dir.read("productList.txt"), file) << "loading never rewrites the file";
}

} // namespace
} // namespace zelvon
