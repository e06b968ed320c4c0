#pragma once
// The store's two published lists, What's New and Best Selling: downloading
// each through its transformer into its cache file, and reading the cache
// back. Both run through one procedure with the values of a small table.

#include <string>
#include <string_view>

namespace zelvon {

class WatchList;
struct FlowContext;

enum class StoreListKind { WhatsNew, BestSelling };

// appFolder + "/cache/whatsNewList.txt" or "/cache/bestList.txt".
std::u16string storeListFilePath(std::u16string_view appFolder, StoreListKind kind);
// Both lists share this transformer output file.
std::u16string storeListOutputFilePath(std::u16string_view appFolder);
// The caption of the message that shows a failed download's errorText.
std::u16string_view storeListCaption(StoreListKind kind);
// The text of the list's branch in the tree.
std::u16string_view storeListBranchText(StoreListKind kind);

// Refills `list` from the list's cache file, downloading the list first when
// `download` is set. A download runs under the wait cursor; when it fails,
// its errorText is shown with the list's caption, the cache file stays as it
// was and the result is false (`list` is then left untouched). After a
// successful run whose output has a `root`, the file holds exactly the
// output's `node` entries in store order, as fresh records. Whether or not
// anything was downloaded, `list` ends up loaded from the file, so its
// records that are not removed are the entries to show, in file order.
bool fillStoreList(StoreListKind kind, bool download, WatchList& list, const FlowContext& context);

} // namespace zelvon
