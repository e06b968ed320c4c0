#include "foundation/xml_end_tag_index.h"

#include <algorithm>

namespace zelvon {
namespace {

constexpr std::uint64_t kBase = 0x100000001B3ULL;

// Polynomial hash built from the last character backwards, so the hashes of
// all names that end at the same ">" come out of one backward walk.
std::uint64_t hashName(std::u16string_view name) {
    std::uint64_t hash = 0;
    for (size_t i = name.size(); i > 0; --i)
        hash = hash * kBase + name[i - 1];
    return hash;
}

} // namespace

std::uint64_t XmlEndTagIndex::keyOf(std::uint64_t hash, size_t length) {
    return hash ^ (static_cast<std::uint64_t>(length) * 0x9E3779B97F4A7C15ULL);
}

XmlEndTagIndex::XmlEndTagIndex(std::u16string_view text) : text_(text) {
    // An end tag "</name>" ends at the first ">" after its "</", so every
    // end tag lies inside one stretch between two ">" characters. Walking
    // each stretch backwards from its ">" hashes every candidate name in
    // constant time per character, however many "</" the stretch holds.
    size_t stretchStart = 0;
    for (size_t gt = text.find(u'>'); gt != std::u16string_view::npos; gt = text.find(u'>', gt + 1)) {
        std::uint64_t hash = 0; // hash of text[i, gt)
        for (size_t i = gt;; --i) {
            if (i >= stretchStart + 2 && text[i - 2] == u'<' && text[i - 1] == u'/')
                positions_[keyOf(hash, gt - i)].push_back(i - 2);
            if (i == stretchStart)
                break;
            hash = hash * kBase + text[i - 1];
        }
        stretchStart = gt + 1;
    }
    // Stretches are visited in text order and one stretch holds at most one
    // end tag per name length, so a list is out of order only when two names
    // of one stretch share a key.
    for (auto& [key, list] : positions_) {
        if (!std::is_sorted(list.begin(), list.end()))
            std::sort(list.begin(), list.end());
    }
}

size_t XmlEndTagIndex::find(std::u16string_view name, size_t from) const {
    const auto found = positions_.find(keyOf(hashName(name), name.size()));
    if (found == positions_.end())
        return std::u16string_view::npos;
    const std::vector<size_t>& list = found->second;
    for (auto it = std::lower_bound(list.begin(), list.end(), from); it != list.end(); ++it) {
        const size_t nameStart = *it + 2;
        if (text_.substr(nameStart, name.size()) == name && nameStart + name.size() < text_.size() && text_[nameStart + name.size()] == u'>')
            return *it;
    }
    return std::u16string_view::npos;
}

} // namespace zelvon
