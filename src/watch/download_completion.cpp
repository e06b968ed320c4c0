#include "watch/download_completion.h"

#include "foundation/xml_document.h"
#include "watch/clock.h"
#include "watch/product_output.h"
#include "watch/watch_list.h"

namespace zelvon {

namespace {

enum class Applied { Yes, NoProductData, UnreadablePage };

Applied applyDocument(const XmlTree& document, std::u16string_view stamp, ProductRecord& record) {
    const XmlNode* root = document.findNode(u"root");
    if (root == nullptr)
        return Applied::NoProductData;
    ProductRecord changed = record;
    bool applied = false;
    for (const XmlNode* child = XmlTree::firstChild(root); child != nullptr; child = XmlTree::nextSibling(child)) {
        if (child->name != u"source")
            continue;
        readProductFields(*child, changed);
        if (gaveNeitherNameNorVersion(changed))
            return Applied::UnreadablePage;
        // Only the user acknowledges an update; a version that changes back
        // does not take the mark away.
        if (changed.previousVersion != changed.productVersion)
            changed.isNew = 1;
        changed.lastReload = std::u16string(stamp);
        applied = true;
    }
    if (!applied)
        return Applied::NoProductData;
    record = std::move(changed);
    return Applied::Yes;
}

} // namespace

bool applyDetailOutput(std::u16string_view outputText, std::u16string_view stamp, ProductRecord& record) {
    XmlDocument document;
    return document.parse(outputText) && applyDocument(document, stamp, record) == Applied::Yes;
}

CompletionOutcome completeDownload(WatchList& list, size_t index, bool downloadSucceeded,
                                   std::u16string_view outputPath, const Clock& clock) {
    CompletionOutcome outcome;
    const auto current = list.record(index);
    if (!current)
        return outcome;
    outcome.record = *current;
    if (!downloadSucceeded)
        return outcome;

    // The time of the completion, taken before the output is read.
    const std::u16string stamp = formatDateTime(clock.now());
    XmlDocument document;
    ProductRecord changed = *current;
    if (!document.load(outputPath))
        return outcome;
    const Applied applied = applyDocument(document, stamp, changed);
    outcome.pageUnreadable = applied == Applied::UnreadablePage;
    if (applied != Applied::Yes)
        return outcome;
    list.setRecord(index, changed);
    outcome.updated = true;
    outcome.record = changed;
    outcome.saved = list.save();
    if (!outcome.saved) {
        outcome.saveError = list.saveRefusal();
        outcome.lockLost = list.saveLostLock();
    }
    return outcome;
}

} // namespace zelvon
