#pragma once
// What each tree item stands for: a kind and a key text, kept in a table
// that only grows, so an item's data value (its index here) never changes
// while the tree exists. Look-ups outside the table read as the root.

#include <string>
#include <vector>

namespace zelvon::ui {

enum ItemKind : int {
    KIND_ROOT = 0,
    KIND_WATCH_GROUP = 1,
    KIND_WHATSNEW_GROUP = 2,
    KIND_BESTSELLING_GROUP = 3,
    KIND_WATCHED_PRODUCT = 4,
    KIND_WHATSNEW_ENTRY = 5,
    KIND_BESTSELLING_ENTRY = 6,
};

struct ItemTag {
    std::u16string key;
    int kind = KIND_ROOT;
};

class ItemTagTable {
public:
    int add(std::u16string key, int kind);
    // The key is the number in decimal.
    int add(long long key, int kind);
    void setKind(int index, int kind);
    // "0" and 0 for an index outside the table.
    std::u16string key(int index) const;
    int kind(int index) const;
    void clear() { tags_.clear(); }
    size_t size() const { return tags_.size(); }

private:
    bool valid(int index) const { return index >= 0 && static_cast<size_t>(index) < tags_.size(); }
    std::vector<ItemTag> tags_;
};

} // namespace zelvon::ui
