#include "foundation/formatting.h"
#include "foundation/text_codec.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <limits>

namespace zelvon {
namespace {

using namespace std::chrono;
constexpr int32_t kMin = std::numeric_limits<int32_t>::min();
constexpr int32_t kMax = std::numeric_limits<int32_t>::max();

TEST(FormattingTest, IntegersAndColours) {
    EXPECT_EQ(formatInt(0), u"0");
    EXPECT_EQ(formatInt(-12), u"-12");
    EXPECT_EQ(formatInt(std::numeric_limits<long long>::min()), u"-9223372036854775808");

    const std::pair<std::u16string, int32_t> parsed[] = {
        {u" 42abc", 42},       {u"", 0},           {u"abc", 0},         {u"-7", -7},
        {u"+8", 8},            {u"\t\n 15", 15},   {u"- 5", 0},         {u"007", 7},
        {u"2147483647", kMax}, {u"-2147483648", kMin}, {u"2147483648", kMax}, {u"-2147483649", kMin},
        {u"99999999999999999999999999", kMax}, {u"-99999999999999999999999999x", kMin},
        {u"\u0665", 0}, // other scripts' digits are not decimal digits here
    };
    for (const auto& [text, value] : parsed)
        EXPECT_EQ(parseInt(text), value) << toUtf8(text);

    EXPECT_EQ(colorToHex(0xCDFFFF), u"FFFFCD");
    EXPECT_EQ(colorToHex(0), u"000000");
    EXPECT_EQ(colorToHex(0xFF0A0B0C), u"0C0B0A"); // red byte first; the fourth byte is ignored
}

// Time stamps are local time; the tests pin a zone with summer time, given
// as a rule so no time zone database is needed.
class LocalTimeTest : public ::testing::Test {
protected:
    void SetUp() override {
        const char* old = std::getenv("TZ");
        saved_ = old ? std::optional<std::string>(old) : std::nullopt;
        ::setenv("TZ", "EST5EDT,M3.2.0,M11.1.0", 1);
        ::tzset();
    }
    void TearDown() override {
        saved_ ? ::setenv("TZ", saved_->c_str(), 1) : ::unsetenv("TZ");
        ::tzset();
    }
    static TimePoint utc(int year, unsigned month, unsigned day, int hour, int minute) {
        return sys_days(std::chrono::year(year) / std::chrono::month(month) / std::chrono::day(day)) + hours(hour) +
               minutes(minute);
    }

private:
    std::optional<std::string> saved_;
};

TEST_F(LocalTimeTest, FormatDateTimeWritesLocalMonthDayYearHoursMinutes) {
    EXPECT_EQ(formatDateTime(utc(2005, 1, 1, 5, 0)), u"01/01/2005 00:00");  // UTC-5 in winter
    EXPECT_EQ(formatDateTime(utc(2004, 4, 3, 18, 5)), u"04/03/2004 14:05"); // UTC-4 in summer
    EXPECT_EQ(formatDateTime(utc(2004, 12, 31, 23, 59) + seconds(59)), u"12/31/2004 18:59");
    // Just before the epoch: seconds are dropped towards the past.
    EXPECT_EQ(formatDateTime(utc(1970, 1, 1, 0, 0) - milliseconds(1)), u"12/31/1969 18:59");
}

TEST_F(LocalTimeTest, ParseDateTimeReadsBackWhatFormatDateTimeWritesAndNothingElse) {
    for (const TimePoint moment : {utc(2004, 2, 29, 12, 30), utc(2004, 7, 3, 18, 5), utc(2100, 6, 15, 0, 1)}) {
        const std::u16string text = formatDateTime(moment);
        EXPECT_EQ(parseDateTime(text), std::optional<TimePoint>(moment)) << toUtf8(text);
    }
    EXPECT_EQ(parseDateTime(u" 4/3/2004 9:05 "), std::optional<TimePoint>(utc(2004, 4, 3, 13, 5)));

    const char16_t* rejected[] = {
        u"",                    u"2004-04-03 14:05",    u"04/03/2004",          u"04/03/2004 14:05:00",
        u"04/03/2004  14:05",   u"13/01/2004 00:00",    u"00/10/2004 00:00",    u"02/29/2003 00:00",
        u"04/31/2004 00:00",    u"04/03/2004 24:00",    u"04/03/2004 12:60",    u"04/03/0 12:00",
        u"004/03/2004 12:00",   u"04/03/20040 12:00",   u"-4/03/2004 12:00",    u"04/03/2004 14:05x",
        u"04/03/9999 12:00", // beyond what the clock can hold
        u"\u0660\u0664/03/2004 12:00",
    };
    for (const char16_t* text : rejected)
        EXPECT_FALSE(parseDateTime(text).has_value()) << toUtf8(text);
}

} // namespace
} // namespace zelvon
