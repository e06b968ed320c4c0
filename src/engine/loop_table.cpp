#include "engine/loop_table.h"

namespace zelvon {

void LoopTable::addField(std::u16string_view key) {
    if (fieldIndex(key) >= 0)
        return;
    const size_t width = fieldKeys.size();
    fieldPositions.emplace(std::u16string(key), width);
    fieldKeys.emplace_back(key);
    topLevel.push_back(false);
    // Existing rows widen by one empty slot each, at their ends.
    for (size_t row = rowCount; row > 0; --row)
        cells.insert(cells.begin() + static_cast<std::ptrdiff_t>(row * width), std::u16string_view());
}

int LoopTable::fieldIndex(std::u16string_view key) const {
    const auto found = fieldPositions.find(key);
    return found == fieldPositions.end() ? -1 : static_cast<int>(found->second);
}

void LoopTable::storeValue(size_t field, size_t row, std::u16string_view value, int depth) {
    if (field >= fieldKeys.size())
        return;
    const size_t width = fieldKeys.size();
    if (row >= rowCount) {
        cells.resize(cells.size() + width);
        row = rowCount++;
    }
    cells[row * width + field] = value;
    topLevel[field] = depth == 0;
}

void LoopTable::finish() {
    for (size_t field = 0; field < fieldKeys.size(); ++field) {
        if (!topLevel[field])
            continue;
        for (size_t row = 0; row < rowCount; ++row)
            cells[row * fieldKeys.size() + field] = {};
    }
}

void LoopTable::clear() {
    fieldKeys.clear();
    fieldPositions.clear();
    topLevel.clear();
    cells = std::deque<std::u16string_view>();
    rowCount = 0;
    currentRow = -1;
}

bool LoopTable::start() {
    if (rowCount == 0) {
        currentRow = -1;
        return false;
    }
    currentRow = 0;
    return true;
}

bool LoopTable::advance() {
    if (currentRow >= 0 && static_cast<size_t>(currentRow) + 1 < rowCount) {
        ++currentRow;
        return true;
    }
    currentRow = -1;
    return false;
}

std::u16string_view LoopTable::value(std::u16string_view key) const {
    const int field = fieldIndex(key);
    if (field < 0 || currentRow < 0 || static_cast<size_t>(currentRow) >= rowCount)
        return {};
    return cells[static_cast<size_t>(currentRow) * fieldKeys.size() + static_cast<size_t>(field)];
}

} // namespace zelvon
