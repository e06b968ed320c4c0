#include "foundation/formatting.h"
#include "foundation/text_codec.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <limits>
#include <string>

namespace zelvon {
namespace {

using namespace std::chrono;

TEST(FormattingTest, FormatIntIsPlainDecimal) {
    EXPECT_EQ(formatInt(0), u"0");
    EXPECT_EQ(formatInt(-12), u"-12");
    EXPECT_EQ(formatInt(1234567), u"1234567");
    EXPECT_EQ(formatInt(std::numeric_limits<long long>::min()), u"-9223372036854775808");
}

TEST(FormattingTest, ParseIntFollowsTheCLibraryRules) {
    struct Case {
        std::u16string text;
        int32_t expected;
    };
    const Case cases[] = {
        {u" 42abc", 42},
        {u"", 0},
        {u"abc", 0},
        {u"-7", -7},
        {u"+8", 8},
        {u"\t\n 15", 15},
        {u"- 5", 0},
        {u"007", 7},
        {u"1 2", 1},
        {u"2147483647", 2147483647},
        {u"-2147483648", std::numeric_limits<int32_t>::min()},
        {u"2147483648", std::numeric_limits<int32_t>::max()},
        {u"-2147483649", std::numeric_limits<int32_t>::min()},
        {u"99999999999999999999999999", std::numeric_limits<int32_t>::max()},
        {u"-99999999999999999999999999x", std::numeric_limits<int32_t>::min()},
        {u"\u0665", 0}, // other scripts' digits are not decimal digits here
    };
    for (const auto& c : cases)
        EXPECT_EQ(parseInt(c.text), c.expected) << toUtf8(c.text);
}

TEST(FormattingTest, ColorToHexPutsRedFirst) {
    EXPECT_EQ(colorToHex(0xCDFFFF), u"FFFFCD");
    EXPECT_EQ(colorToHex(0), u"000000");
    EXPECT_EQ(colorToHex(0xFF0000), u"0000FF");
    EXPECT_EQ(colorToHex(0x0A0B0C), u"0C0B0A");
    EXPECT_EQ(colorToHex(0xFF0A0B0C), u"0C0B0A"); // the fourth byte is ignored
}

// Time stamps are local time; the tests pin a zone with summer time, given
// as a rule so no time zone database is needed.
class LocalTimeTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (const char* old = std::getenv("TZ"))
            saved_ = old;
        ::setenv("TZ", "EST5EDT,M3.2.0,M11.1.0", 1);
        ::tzset();
    }
    void TearDown() override {
        if (saved_)
            ::setenv("TZ", saved_->c_str(), 1);
        else
            ::unsetenv("TZ");
        ::tzset();
    }

    // A moment given in UTC.
    static TimePoint utc(int year, unsigned month, unsigned day, int hour, int minute) {
        return sys_days(year_month_day(std::chrono::year(year), std::chrono::month(month), std::chrono::day(day))) +
               hours(hour) + minutes(minute);
    }

private:
    std::optional<std::string> saved_;
};

TEST_F(LocalTimeTest, FormatDateTimeWritesLocalMonthDayYearHoursMinutes) {
    EXPECT_EQ(formatDateTime(utc(2005, 1, 1, 5, 0)), u"01/01/2005 00:00");   // UTC-5 in winter
    EXPECT_EQ(formatDateTime(utc(2004, 3, 3, 19, 5)), u"03/03/2004 14:05");  // before the switch
    EXPECT_EQ(formatDateTime(utc(2004, 4, 3, 18, 5)), u"04/03/2004 14:05");  // UTC-4 in summer
    EXPECT_EQ(formatDateTime(utc(2004, 12, 31, 23, 59) + seconds(59)), u"12/31/2004 18:59");
    // Just before the epoch in UTC: seconds are dropped towards the past.
    EXPECT_EQ(formatDateTime(utc(1970, 1, 1, 0, 0) - milliseconds(1)), u"12/31/1969 18:59");
}

TEST_F(LocalTimeTest, ParseDateTimeReadsBackWhatFormatDateTimeWrites) {
    const TimePoint moments[] = {
        utc(2005, 1, 1, 5, 0), utc(2004, 2, 29, 12, 30), utc(2004, 7, 3, 18, 5), utc(1999, 12, 31, 23, 59),
        utc(2038, 1, 19, 3, 14), utc(2100, 6, 15, 0, 1),
    };
    for (const TimePoint moment : moments) {
        const std::u16string text = formatDateTime(moment);
        const auto parsed = parseDateTime(text);
        ASSERT_TRUE(parsed.has_value()) << toUtf8(text);
        EXPECT_EQ(*parsed, moment) << toUtf8(text);
    }
    EXPECT_EQ(parseDateTime(u"4/3/2004 9:05"), utc(2004, 4, 3, 13, 5));
    EXPECT_EQ(parseDateTime(u" 04/03/2004 14:05 "), utc(2004, 4, 3, 18, 5));
}

TEST_F(LocalTimeTest, ParseDateTimeRejectsOtherTextAndInvalidDates) {
    const char16_t* rejected[] = {
        u"",
        u"garbage",
        u"2004-04-03 14:05",
        u"04/03/2004",
        u"04/03/2004 14:05:00",
        u"04/03/2004  14:05",
        u"04/03/2004T14:05",
        u"13/01/2004 00:00",
        u"00/10/2004 00:00",
        u"02/30/2004 00:00",
        u"02/29/2003 00:00",
        u"04/31/2004 00:00",
        u"04/03/2004 24:00",
        u"04/03/2004 12:60",
        u"04/03/0 12:00",
        u"004/03/2004 12:00",
        u"04/03/20040 12:00",
        u"-4/03/2004 12:00",
        u"04/03/2004 14:05x",
        u"04/03/9999 12:00", // beyond what the clock can hold
        u"\u0660\u0664/03/2004 12:00",
    };
    for (const char16_t* text : rejected)
        EXPECT_FALSE(parseDateTime(text).has_value()) << toUtf8(text);
}

} // namespace
} // namespace zelvon
