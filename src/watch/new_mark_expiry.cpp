#include "watch/new_mark_expiry.h"

namespace zelvon {

bool expireNewMark(ProductRecord& record, int leaveNewDays, TimePoint now) {
    if (record.isNew == 0 || record.keepNew != 0 || record.lastReload.empty())
        return false;
    // Our own fixed pattern, never the user's locale: a list written on one
    // machine must age the same way on every other.
    const auto checkedAt = parseDateTime(record.lastReload);
    if (!checkedAt)
        return false;
    using Days = std::chrono::duration<long long, std::ratio<86400>>;
    // duration_cast truncates toward zero, so a stamp a little in the future
    // counts as zero days and not as minus one.
    const long long days = std::chrono::duration_cast<Days>(now - *checkedAt).count();
    if (days < leaveNewDays)
        return false;
    record.isNew = 0;
    record.previousVersion = record.productVersion;
    return true;
}

} // namespace zelvon
