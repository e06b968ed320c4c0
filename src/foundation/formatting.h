#pragma once
// The exact text forms of integers, time stamps and colours that end up in
// list files, engine output and generated HTML.

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace zelvon {

using TimePoint = std::chrono::system_clock::time_point;

// Decimal, "%i" style.
std::u16string formatInt(long long value);

// C-library string-to-integer rules (leading blanks, sign, digits up to the
// first other character; 0 when there are none). Saturates at the 32-bit
// limits.
int32_t parseInt(std::u16string_view text);
// The same rule, but a number beyond the 32-bit range is nothing instead of
// the nearest limit: for values where a saturated number would mean
// something else (a version that no later one could exceed).
std::optional<int32_t> parseIntInRange(std::u16string_view text);

// Local time as "MM/DD/YYYY HH:MM".
std::u16string formatDateTime(TimePoint moment);

// Reads back exactly what formatDateTime writes (month/day/year
// hours:minutes, local time), independent of the user's locale. Empty when
// the text does not follow that pattern or names no valid date.
std::optional<TimePoint> parseDateTime(std::u16string_view text);

// Red in the lowest byte, then green, then blue: six upper-case hex digits
// in the order red, green, blue, without "#".
std::u16string colorToHex(uint32_t color);

} // namespace zelvon
