#include "foundation/formatting.h"

#include "foundation/blank_text.h"

#include <cerrno>
#include <cstdio>
#include <ctime>
#include <limits>

namespace zelvon {
namespace {

std::u16string asciiToU16(const char* text) {
    std::u16string out;
    for (; *text != '\0'; ++text)
        out += static_cast<char16_t>(static_cast<unsigned char>(*text));
    return out;
}

bool isDigit(char16_t c) { return c >= u'0' && c <= u'9'; }

// Reads 1 to `maxDigits` decimal digits at `i`.
bool readField(std::u16string_view text, size_t& i, size_t maxDigits, int& value) {
    const size_t start = i;
    value = 0;
    while (i < text.size() && isDigit(text[i]) && i - start < maxDigits)
        value = value * 10 + (text[i++] - u'0');
    return i > start && (i >= text.size() || !isDigit(text[i]));
}

bool expect(std::u16string_view text, size_t& i, char16_t c) {
    if (i >= text.size() || text[i] != c)
        return false;
    ++i;
    return true;
}

bool isLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int daysInMonth(int year, int month) {
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && isLeapYear(year) ? 29 : kDays[month - 1];
}

} // namespace

std::u16string formatInt(long long value) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%lli", value);
    return asciiToU16(buffer);
}

int32_t parseInt(std::u16string_view text) {
    size_t i = 0;
    while (i < text.size() && isBlank(text[i]))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) {
        negative = text[i] == u'-';
        ++i;
    }
    // Accumulate as a negative number: its range reaches INT32_MIN, and
    // stopping at the limit means any number of digits is safe.
    constexpr long long kMin = std::numeric_limits<int32_t>::min();
    constexpr long long kMax = std::numeric_limits<int32_t>::max();
    long long value = 0;
    for (; i < text.size() && isDigit(text[i]); ++i) {
        value = value * 10 - (text[i] - u'0');
        if (value < kMin) {
            value = kMin - 1; // beyond the range either way; keep it bounded
        }
    }
    if (negative)
        return value < kMin ? std::numeric_limits<int32_t>::min() : static_cast<int32_t>(value);
    return -value > kMax ? std::numeric_limits<int32_t>::max() : static_cast<int32_t>(-value);
}

std::optional<int32_t> parseIntInRange(std::u16string_view text) {
    const int32_t value = parseInt(text);
    if (value != std::numeric_limits<int32_t>::min() && value != std::numeric_limits<int32_t>::max())
        return value;
    // At a limit: either the limit itself was written or the number was
    // cut to it. Compare the digits with the limit's own.
    size_t i = 0;
    while (i < text.size() && isBlank(text[i]))
        ++i;
    if (i < text.size() && (text[i] == u'+' || text[i] == u'-'))
        ++i;
    while (i + 1 < text.size() && text[i] == u'0' && isDigit(text[i + 1]))
        ++i;
    size_t end = i;
    while (end < text.size() && isDigit(text[end]))
        ++end;
    const std::u16string_view digits = text.substr(i, end - i);
    const std::u16string_view limit = value < 0 ? std::u16string_view(u"2147483648") : std::u16string_view(u"2147483647");
    if (digits == limit)
        return value;
    return std::nullopt;
}

std::u16string formatDateTime(TimePoint moment) {
    const auto seconds = std::chrono::floor<std::chrono::seconds>(moment.time_since_epoch()).count();
    const auto time = static_cast<std::time_t>(seconds);
    std::tm local{};
    if (::localtime_r(&time, &local) == nullptr)
        return {};
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.02u/%.02u/%u %.02u:%.02u", static_cast<unsigned>(local.tm_mon + 1),
                  static_cast<unsigned>(local.tm_mday), static_cast<unsigned>(local.tm_year + 1900),
                  static_cast<unsigned>(local.tm_hour), static_cast<unsigned>(local.tm_min));
    return asciiToU16(buffer);
}

std::optional<TimePoint> parseDateTime(std::u16string_view text) {
    while (!text.empty() && isBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && isBlank(text.back()))
        text.remove_suffix(1);

    size_t i = 0;
    int month = 0, day = 0, year = 0, hour = 0, minute = 0;
    if (!readField(text, i, 2, month) || !expect(text, i, u'/') || !readField(text, i, 2, day) ||
        !expect(text, i, u'/') || !readField(text, i, 4, year) || !expect(text, i, u' ') ||
        !readField(text, i, 2, hour) || !expect(text, i, u':') || !readField(text, i, 2, minute) ||
        i != text.size())
        return std::nullopt;
    if (year < 1 || month < 1 || month > 12 || day < 1 || day > daysInMonth(year, month) || hour > 23 ||
        minute > 59)
        return std::nullopt;

    std::tm local{};
    local.tm_year = year - 1900;
    local.tm_mon = month - 1;
    local.tm_mday = day;
    local.tm_hour = hour;
    local.tm_min = minute;
    local.tm_isdst = -1; // let the time zone rules decide summer time
    errno = 0;
    const std::time_t time = std::mktime(&local);
    if (time == static_cast<std::time_t>(-1) && errno != 0)
        return std::nullopt;

    // The clock counts nanoseconds, which covers only some centuries
    // around 1970; a year outside them names no moment we can hold.
    using std::chrono::seconds;
    const auto limit = std::chrono::duration_cast<seconds>(TimePoint::duration::max()).count() - 1;
    if (time > limit || time < -limit)
        return std::nullopt;
    return TimePoint(std::chrono::duration_cast<TimePoint::duration>(seconds(time)));
}

std::u16string colorToHex(uint32_t color) {
    char buffer[8];
    std::snprintf(buffer, sizeof buffer, "%02X%02X%02X", static_cast<unsigned>(color & 0xFF),
                  static_cast<unsigned>((color >> 8) & 0xFF), static_cast<unsigned>((color >> 16) & 0xFF));
    return asciiToU16(buffer);
}

} // namespace zelvon
