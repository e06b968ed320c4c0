#include "engine/extracted_entry.h"

#include <algorithm>

namespace zelvon {
namespace {

// Small enough that the unused tail of a block costs little, large enough
// that a block is allocated once per several hundred values.
constexpr size_t kBlockChars = 16 * 1024;

constexpr std::u16string_view kPassEndName = kDepthCountName;

} // namespace

char16_t* ExtractedEntries::allocate(size_t length) {
    if (length == 0)
        return nullptr;
    if (length > kBlockChars / 4) {
        // A long value gets a block of its own, slotted in before the
        // current block so that block's free tail can still be used.
        auto own = std::make_unique_for_overwrite<char16_t[]>(length);
        char16_t* room = own.get();
        blocks_.insert(blocks_.empty() ? blocks_.end() : blocks_.end() - 1, std::move(own));
        return room;
    }
    if (blocks_.empty() || blockSize_ - blockUsed_ < length) {
        blocks_.push_back(std::make_unique_for_overwrite<char16_t[]>(kBlockChars));
        blockSize_ = kBlockChars;
        blockUsed_ = 0;
    }
    char16_t* room = blocks_.back().get() + blockUsed_;
    blockUsed_ += length;
    return room;
}

std::u16string_view ExtractedEntries::keep(std::u16string_view text) {
    char16_t* room = allocate(text.size());
    if (room == nullptr)
        return {};
    std::copy(text.begin(), text.end(), room);
    return {room, text.size()};
}

const std::u16string_view* ExtractedEntries::keepName(std::u16string_view name) {
    names_.push_back(keep(name));
    return &names_.back();
}

void ExtractedEntries::addPassEnd(int depth) { add(&kPassEndName, {}, depth); }

void ExtractedEntries::clear() {
    entries_ = std::deque<ExtractedEntry>();
    names_ = std::deque<std::u16string_view>();
    blocks_ = std::vector<std::unique_ptr<char16_t[]>>();
    blockUsed_ = 0;
    blockSize_ = 0;
}

} // namespace zelvon
