#include "ui/item_tags.h"

#include "foundation/formatting.h"

namespace zelvon::ui {

int ItemTagTable::add(std::u16string key, int kind) {
    tags_.push_back(ItemTag{std::move(key), kind});
    return static_cast<int>(tags_.size() - 1);
}

int ItemTagTable::add(long long key, int kind) { return add(formatInt(key), kind); }

void ItemTagTable::setKind(int index, int kind) {
    if (valid(index))
        tags_[static_cast<size_t>(index)].kind = kind;
}

std::u16string ItemTagTable::key(int index) const {
    return valid(index) ? tags_[static_cast<size_t>(index)].key : std::u16string(u"0");
}

int ItemTagTable::kind(int index) const { return valid(index) ? tags_[static_cast<size_t>(index)].kind : KIND_ROOT; }

} // namespace zelvon::ui
