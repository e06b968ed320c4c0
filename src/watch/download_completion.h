#pragma once
// The owner's side of a product update check: once a download has ended,
// take the transformer's output into the record and save the list. Runs on
// the thread that owns the list.

#include "watch/product_record.h"

#include <string>
#include <string_view>

namespace zelvon {

class Clock;
class WatchList;

// Applies every `source` child of the output's `root` element to `record`:
// the five product fields (markup-unescaped; a missing attribute gives empty
// text), `isNew` set when the version differs from `previousVersion` (never
// cleared here) and `lastReload` = `stamp`. False, with the record
// untouched, when the output has no `root` or no `source` under it, or when
// a `source` has neither a name nor a version (see kUnreadablePageText).
bool applyDetailOutput(std::u16string_view outputText, std::u16string_view stamp, ProductRecord& record);

// A detail page whose output has neither a product name nor a version is a
// page the parsing script no longer understands (the store changed its
// layout), not a product without a version: taking it would wipe the name
// and mark the product new. Such a download counts as failed, with this
// text after the transformer's messages.
inline constexpr std::u16string_view kUnreadablePageText =
    u"The product page could not be read: it gave neither a product name nor a version. "
    u"The store may have changed its pages; updating the parsing scripts may help.\n";

// The fields of such a page, whichever flow downloaded it.
inline bool gaveNeitherNameNorVersion(const ProductRecord& fields) {
    return fields.productName.empty() && fields.productVersion.empty();
}

struct CompletionOutcome {
    bool updated = false;  // the record took new data and was written back
    bool saved = false;    // ... and the list file was saved
    bool pageUnreadable = false; // the output had no name and no version
    ProductRecord record;  // the record as it stands after the completion
    std::u16string saveError; // why the save was refused, when it says (WatchList::saveError)
    bool lockLost = false;    // the save was refused because the folder's lock is lost
};

// For the record at `index`: on a successful download reads `outputPath`,
// applies it with the clock's time as `lastReload`, writes the record back
// and saves the list. A failed download, an unreadable output, one without
// product data or an unreadable page leaves record and file as they were.
CompletionOutcome completeDownload(WatchList& list, size_t index, bool downloadSucceeded,
                                   std::u16string_view outputPath, const Clock& clock);

} // namespace zelvon
