#pragma once
// The small commands on one watched product: Remove, the Mark As New toggle
// and an explicit acknowledge of new marks. Each saves the list at once.

#include <cstddef>
#include <string_view>
#include <optional>
#include <vector>

namespace zelvon {

class WatchList;

// Asked (with Yes and No) before a product is removed.
inline constexpr std::u16string_view kRemoveProductQuestion = u"Are you sure you want to remove this Product?";
inline constexpr std::u16string_view kRemoveProductCaption = u"Confirm";

// Flags the record as removed and saves; the other records keep their
// indexes until the next load. False for an index with no product (out of
// range or already removed) or a failed save.
bool removeProduct(WatchList& list, size_t index);
// The same for several products with one save: records with no product
// (or named twice) are passed over. The number flagged, or nothing when
// the save failed.
std::optional<size_t> removeProducts(WatchList& list, const std::vector<size_t>& indexes);

// Mark As New: a new product becomes seen (its version acknowledged, the
// hand-set mark cleared); any other becomes new by hand, which keeps it
// from expiring. False for an index with no product or a failed save.
bool toggleMarkNew(WatchList& list, size_t index);

// Clears the new mark of each new product among `indexes` the way Mark As
// New clears it; products that are not new, removed or missing are left
// alone. Saves once when something changed; `saved`, when given, tells
// whether that save worked (true when nothing needed saving). Returns how
// many products changed.
size_t acknowledgeNew(WatchList& list, const std::vector<size_t>& indexes, bool* saved = nullptr);

} // namespace zelvon
