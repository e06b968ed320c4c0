#include "watch/new_mark_expiry.h"

#include "app/settings_store.h"
#include "foundation/text_codec.h"
#include "support/temp_dir.h"
#include "watch/clock.h"
#include "watch/watch_list.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <optional>

namespace zelvon {
namespace {

// Every case runs in a zone with summer time, so ages across its changes
// are measured the way the stamps are written: on the local wall clock.
class NewMarkExpiry : public ::testing::Test {
protected:
    void SetUp() override {
        if (const char* tz = std::getenv("TZ"))
            savedTz_ = tz;
        ::setenv("TZ", "EST5EDT,M3.2.0,M11.1.0", 1);
        ::tzset();
    }
    void TearDown() override {
        if (savedTz_)
            ::setenv("TZ", savedTz_->c_str(), 1);
        else
            ::unsetenv("TZ");
        ::tzset();
    }
    static TimePoint at(const char16_t* text) { return parseDateTime(text).value(); }

    std::optional<std::string> savedTz_;
};

ProductRecord newRecord(const std::u16string& lastReload) {
    ProductRecord r;
    r.productVersion = u"2.0";
    r.previousVersion = u"1.0";
    r.lastReload = lastReload;
    return r; // a fresh record is new
}

TEST_F(NewMarkExpiry, WholeDaysOnTheWallClock) {
    const struct {
        int leaveNew;
        const char16_t* checked;
        const char16_t* now;
        bool expires;
    } cases[] = {
        {3, u"06/12/2023 13:00", u"06/15/2023 12:00", false}, // 2 days 23 hours
        {3, u"06/12/2023 12:01", u"06/15/2023 12:00", false},
        {3, u"06/12/2023 12:00", u"06/15/2023 12:00", true},
        {3, u"06/05/2023 12:00", u"06/15/2023 12:00", true},
        {1, u"06/14/2023 12:01", u"06/15/2023 12:00", false},
        {0, u"06/15/2023 12:00", u"06/15/2023 12:00", true},
        // Truncation toward zero: less than a day ahead is still day zero.
        {0, u"06/15/2023 23:00", u"06/15/2023 12:00", true},
        {0, u"06/16/2023 13:00", u"06/15/2023 12:00", false},
        // Summer time starts on 03/10/2024 and ends on 11/03/2024: three
        // dates later at the same hour is three days, whatever the clock
        // did in between.
        {3, u"03/09/2024 12:00", u"03/12/2024 12:00", true},
        {3, u"11/02/2024 12:00", u"11/05/2024 11:30", false},
        {3, u"11/02/2024 12:00", u"11/05/2024 12:00", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "LeaveNew " << c.leaveNew << ", " << toUtf8(c.checked) << " at "
                                        << toUtf8(c.now));
        ProductRecord r = newRecord(c.checked);
        const ProductRecord before = r;
        EXPECT_EQ(expireNewMark(r, c.leaveNew, at(c.now)), c.expires);
        ProductRecord expected = before;
        if (c.expires) {
            expected.isNew = 0;
            expected.previousVersion = u"2.0"; // the update counts as acknowledged
        }
        EXPECT_EQ(r, expected);
    }
}

TEST_F(NewMarkExpiry, RecordsThatNeverExpire) {
    ProductRecord kept = newRecord(u"01/01/2000 00:00");
    kept.keepNew = 1;
    ProductRecord notNew = newRecord(u"01/01/2000 00:00");
    notNew.isNew = 0; // previousVersion must not be touched either
    std::vector<ProductRecord> records = {kept, notNew, newRecord(u"")};
    // Only our own month/day/year pattern counts; anything else leaves the
    // record alone instead of guessing.
    for (const char16_t* text :
         {u"15/06/2023 12:00", u"2023-06-10 12:00", u"06/10/2023", u"yesterday", u"06/10/2023 12:00 PM"})
        records.push_back(newRecord(text));
    for (ProductRecord r : records) {
        SCOPED_TRACE(toUtf8(r.lastReload));
        const ProductRecord before = r;
        EXPECT_FALSE(expireNewMark(r, 0, at(u"06/15/2023 12:00")));
        EXPECT_EQ(r, before);
    }
}

TEST_F(NewMarkExpiry, LoadAgesRecordsWithLeaveNewFromTheSettingsAndLeavesTheFileAlone) {
    test::TempDir dir;
    SettingsStore settings(dir.file("config"));
    settings.bind(u"Tervane", u"Zelvon");
    const FixedClock clock(at(u"06/15/2023 12:00"));

    WatchList list;
    list.load(dir.u16file("productList.txt"), 0, clock.now());
    list.append(newRecord(u"06/11/2023 12:00"));
    list.append(newRecord(u"06/13/2023 12:00"));
    ASSERT_TRUE(list.save());
    const std::string file = dir.read("productList.txt");

    // Without a LeaveNew setting the default of 0 days clears both.
    WatchList byDefault;
    ASSERT_TRUE(byDefault.load(dir.u16file("productList.txt"), settings, clock));
    EXPECT_EQ(byDefault.record(0)->isNew + byDefault.record(1)->isNew, 0);

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
