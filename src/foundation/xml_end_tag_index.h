#pragma once
// Where the end tags "</name>" of a text stand, so that the readers find the
// end tag of each element without rescanning the rest of the text: a
// document of many elements whose end tags never come would otherwise take
// time growing with the square of its size.

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace zelvon {

class XmlEndTagIndex {
public:
    // `text` must outlive the index.
    explicit XmlEndTagIndex(std::u16string_view text);

    // Index of the first occurrence of "</" + name + ">" that starts at or
    // after `from`, or npos: the same answer as a plain substring search.
    size_t find(std::u16string_view name, size_t from) const;

private:
    static std::uint64_t keyOf(std::uint64_t hash, size_t length);

    std::u16string_view text_;
    // Positions of the "<" of each end tag, ascending, grouped by a hash of
    // the name and its length. A hash can be shared by different names, so
    // every hit is checked against the text.
    std::unordered_map<std::uint64_t, std::vector<size_t>> positions_;
};

} // namespace zelvon
