#include "engine/loop_table.h"

namespace zelvon {

void LoopTable::addField(std::u16string_view key) {
    if (fieldIndex(key) >= 0)
        return;
    fieldPositions.emplace(std::u16string(key), fieldKeys.size());
    fieldKeys.emplace_back(key);
    topLevel.push_back(false);
    for (auto& row : rows)
        row.resize(fieldKeys.size());
}

int LoopTable::fieldIndex(std::u16string_view key) const {
    const auto found = fieldPositions.find(key);
    return found == fieldPositions.end() ? -1 : static_cast<int>(found->second);
}

void LoopTable::storeValue(size_t field, size_t row, std::u16string_view value, int depth) {
    if (field >= fieldKeys.size())
        return;
    if (row >= rows.size()) {
        rows.emplace_back(fieldKeys.size());
        row = rows.size() - 1;
    }
    rows[row][field] = value;
    topLevel[field] = depth == 0;
}

void LoopTable::finish() {
    for (size_t field = 0; field < fieldKeys.size(); ++field) {
        if (!topLevel[field])
            continue;
        for (auto& row : rows)
            row[field] = {};
    }
}

void LoopTable::clear() {
    fieldKeys.clear();
    fieldPositions.clear();
    topLevel.clear();
    rows.clear();
    currentRow = -1;
}

bool LoopTable::start() {
    if (rows.empty()) {
        currentRow = -1;
        return false;
    }
    currentRow = 0;
    return true;
}

bool LoopTable::advance() {
    if (currentRow >= 0 && static_cast<size_t>(currentRow) + 1 < rows.size()) {
        ++currentRow;
        return true;
    }
    currentRow = -1;
    return false;
}

std::u16string_view LoopTable::value(std::u16string_view key) const {
    const int field = fieldIndex(key);
    if (field < 0 || currentRow < 0 || static_cast<size_t>(currentRow) >= rows.size())
        return {};
    return rows[currentRow][field];
}

} // namespace zelvon
