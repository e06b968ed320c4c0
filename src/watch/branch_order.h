#pragma once
// The order in which the watch-list branch shows its products, and so the
// order of a check over the whole list: by name, ignoring case.

#include <string_view>
#include <vector>

namespace zelvon {

class WatchList;

// Negative, zero or positive like a three-way comparison, with upper- and
// lower-case letters of ASCII and Latin-1 treated alike.
int compareIgnoringCase(std::u16string_view a, std::u16string_view b);

// Indexes of the records that are not removed, sorted by productName
// ignoring case; equal names keep their list order.
std::vector<size_t> watchBranchOrder(const WatchList& list);

} // namespace zelvon
