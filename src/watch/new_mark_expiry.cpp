#include "watch/new_mark_expiry.h"

#include <ctime>

namespace zelvon {
namespace {

// Seconds on the local wall clock, counted as if the clock never jumped.
// Stamps are local wall-clock texts, so their age is measured on the wall
// clock too: three days from a 12:00 stamp end at 12:00 three dates later,
// also across a change to or from summer time, on every machine alike.
long long wallClockSeconds(TimePoint moment) {
    const std::time_t time = std::chrono::system_clock::to_time_t(moment);
    std::tm local{};
    localtime_r(&time, &local);
    return static_cast<long long>(timegm(&local));
}

} // namespace

bool expireNewMark(ProductRecord& record, int leaveNewDays, TimePoint now) {
    if (record.isNew == 0 || record.keepNew != 0 || record.lastReload.empty())
        return false;
    // Our own fixed pattern, never the user's locale: a list written on one
    // machine must age the same way on every other.
    const auto checkedAt = parseDateTime(record.lastReload);
    if (!checkedAt)
        return false;
    // Integer division truncates toward zero, so a stamp a little in the
    // future counts as zero days and not as minus one.
    const long long days = (wallClockSeconds(now) - wallClockSeconds(*checkedAt)) / 86400;
    if (days < leaveNewDays)
        return false;
    record.isNew = 0;
    record.previousVersion = record.productVersion;
    return true;
}

} // namespace zelvon
