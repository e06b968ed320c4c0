#pragma once
// The records of one open template loop: one column per field the loop's
// body uses at its own level, one row per record found on the page, and a
// cursor over the rows while the body is written once per record. The
// table holds views of the values, not copies: they stay in the runners'
// entries, which outlive the expansion, so a large page's values are not
// held twice.

#include <cstddef>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace zelvon {

// Hashes keys given as views, so a lookup copies nothing.
struct FieldKeyHash {
    using is_transparent = void;
    size_t operator()(std::u16string_view key) const { return std::hash<std::u16string_view>{}(key); }
};

struct LoopTable {
    std::u16string name; // the loop's nesting level in decimal, "1" outermost
    std::vector<std::u16string> fieldKeys;
    // fieldKeys by key: every field tag of every record looks its field up,
    // so a loop with thousands of fields must not search them one by one.
    std::unordered_map<std::u16string, size_t, FieldKeyHash, std::equal_to<>> fieldPositions;
    std::vector<bool> topLevel; // per field: the last value stored came from depth 0
    std::vector<std::vector<std::u16string_view>> rows;
    int currentRow = -1;

    // Ignored when the key is already a field. Existing rows get an empty slot.
    void addField(std::u16string_view key);
    // Index of the field, or -1.
    int fieldIndex(std::u16string_view key) const;
    // Replaces slot `field` of row `row`, or appends a row when `row` is past
    // the last one. `depth` 0 flags the field as top-level, any other clears
    // it. `value` must stay valid as long as the table is read.
    void storeValue(size_t field, size_t row, std::u16string_view value, int depth);
    // Empties every top-level field in every row: values found outside any
    // loop belong to no record.
    void finish();
    // Drops all fields and rows.
    void clear();

    // The first row becomes current; false when there are no rows.
    bool start();
    // The next row becomes current; after the last one the cursor is reset
    // to -1 and the answer is false.
    bool advance();
    // The current row's value of a field; empty for an unknown field or
    // when no row is current.
    std::u16string_view value(std::u16string_view key) const;
};

} // namespace zelvon
