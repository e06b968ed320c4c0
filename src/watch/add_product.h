#pragma once
// Putting products on the watch list: by store product ID, by a search on
// the name, or from an entry of a store list. Each way downloads the
// product's detail page at once, so a new entry starts with the store's
// current data and counts as seen (not new). The pieces are separate so the
// Add Product dialog can run the lookup on its button and the command line
// can run them in one go.

#include "watch/product_record.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zelvon {

class FlowUi;
class WatchList;
struct FlowContext;

inline constexpr size_t kWatchListLimit = 50;
inline constexpr std::u16string_view kWatchListLimitText =
    u"Sorry, but there is a limit of 50 Products.  You will need to remove older products, before adding new ones.";
inline constexpr std::u16string_view kWatchListLimitCaption = u"Notice";
// The Add Product dialog's status text while a lookup runs.
inline constexpr std::u16string_view kAddOnlineNote = u"NOTE: You should be connected to the Internet to add a Product.";
inline constexpr std::u16string_view kStoreRecordFailureCaption = u"Failed to Get Product Details";
// A name search whose request failed (the store is down, say) searched
// nothing: it must not read as "nothing found".
inline constexpr std::u16string_view kSearchRequestFailedText = u"The store could not be searched for the specified ProductName.";

// One row per product: an ID already shown on the watch list is not added
// again (a second row would download the same page at every check and
// always agree with the first).
inline constexpr std::u16string_view kAlreadyWatchedCaption = u"Notice";
// Marks a match of a name search that is already watched, in the choice.
inline constexpr std::u16string_view kWatchedMatchSuffix = u"  \u2713 already on your watch list";
// The position of the record not marked removed that has this product ID.
std::optional<size_t> findWatchedProduct(const WatchList& list, std::u16string_view productId);
// ""<name>" is already on your watch list."
std::u16string alreadyWatchedText(std::u16string_view productName);

// True while fewer than 50 products (removed ones not counted) are on the
// list; otherwise shows the limit message and returns false.
bool watchListHasRoom(const WatchList& list, FlowUi& ui);

enum class AddMode { ById, ByName };

// What a successful lookup leaves for the command: the product's ID and its
// detail-page URL. The detail output itself is in "/cache/productTemp.txt".
struct AddLookup {
    std::u16string productId;
    std::u16string productUrl;
};

// The Add Product dialog's button: checks the entered text, sets the status
// text and runs the lookup by ID or the search by name (several matches are
// offered through the Select Item choice). Every failure has told the user
// why (status text, message) except a cancelled choice, which fails quietly.
// The proxy is read from the settings at this moment. With `watched`, a
// product already on that list is refused with its name, and the choice
// marks matches already watched.
std::optional<AddLookup> runAddLookup(AddMode mode, std::u16string_view enteredText, const FlowContext& context,
                                      const WatchList* watched = nullptr);

// The command's last step: one record per `source` of the lookup's output,
// acknowledged and stamped with `stamp` (the time the command started),
// appended and saved. Returns the new indexes (none when the output holds
// no `source`); `saved`, when given, says whether the list reached its file.
std::vector<size_t> appendLookedUpProduct(WatchList& list, const AddLookup& lookup, std::u16string_view stamp,
                                          std::u16string_view appFolder, bool* saved = nullptr);

// Add To Product Watch List from a store-list entry: the limit, a product
// already watched (refused with its name, nothing downloaded), the
// download of the entry's detail page under the wait cursor (its errorText
// shown with "Failed to Get Product Details" on failure), then the entry's
// copy completed from the page, acknowledged, appended and saved. Returns
// the new index of the last record added.
std::optional<size_t> addFromStoreRecord(WatchList& watchList, const ProductRecord& storeRecord,
                                         const FlowContext& context, bool* saved = nullptr);

// The whole Add Product command without its dialog, for the command line:
// the limit, the time stamp, one lookup and the append. Empty when nothing
// was added.
std::vector<size_t> addProduct(WatchList& watchList, AddMode mode, std::u16string_view enteredText,
                               const FlowContext& context, bool* saved = nullptr);

} // namespace zelvon
