#include "watch/record_commands.h"

#include "watch/watch_list.h"

namespace zelvon {

namespace {

// The update counts as seen: the shown version becomes the acknowledged one.
void clearNewMark(ProductRecord& record) {
    record.isNew = 0;
    record.previousVersion = record.productVersion;
    record.keepNew = 0;
}

std::optional<ProductRecord> liveRecord(const WatchList& list, size_t index) {
    auto record = list.record(index);
    if (!record || record->removed != 0)
        return std::nullopt;
    return record;
}

} // namespace

bool removeProduct(WatchList& list, size_t index) {
    if (!liveRecord(list, index))
        return false;
    return list.markRemoved(index) && list.save();
}

std::optional<size_t> removeProducts(WatchList& list, const std::vector<size_t>& indexes) {
    size_t flagged = 0;
    for (const size_t index : indexes)
        if (liveRecord(list, index) && list.markRemoved(index))
            ++flagged;
    if (flagged > 0 && !list.save())
        return std::nullopt;
    return flagged;
}

bool toggleMarkNew(WatchList& list, size_t index) {
    auto record = liveRecord(list, index);
    if (!record)
        return false;
    if (record->isNew != 0) {
        clearNewMark(*record);
    } else {
        record->isNew = 1;
        record->keepNew = 1;
    }
    return list.setRecord(index, *record) && list.save();
}

size_t acknowledgeNew(WatchList& list, const std::vector<size_t>& indexes, bool* saved) {
    size_t changed = 0;
    for (const size_t index : indexes) {
        auto record = liveRecord(list, index);
        if (!record || record->isNew == 0)
            continue;
        clearNewMark(*record);
        if (list.setRecord(index, *record))
            ++changed;
    }
    const bool ok = changed == 0 || list.save();
    if (saved != nullptr)
        *saved = ok;
    return changed;
}

} // namespace zelvon
