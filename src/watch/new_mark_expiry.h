#pragma once
// How long a "new" mark lasts: once the last successful check of a product
// is LeaveNew whole days old, its update counts as acknowledged.

#include "foundation/formatting.h"
#include "watch/product_record.h"

namespace zelvon {

// Clears `isNew` and takes `productVersion` as acknowledged when the record
// is new, not kept new by hand, has a `lastReload` in the program's own
// "MM/DD/YYYY HH:MM" form and that moment lies at least `leaveNewDays` whole
// days (truncated toward zero) before `now`. A `lastReload` that does not
// parse leaves the record as it is. True when the mark was cleared.
bool expireNewMark(ProductRecord& record, int leaveNewDays, TimePoint now);

} // namespace zelvon
