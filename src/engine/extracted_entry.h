#pragma once
// What a walk cuts out of a page: an ordered list of named values. The
// entries are views; their text lives in blocks owned by the list, which
// never move once written, so a view stays valid however many entries come
// after it. A large page yields hundreds of thousands of short values, and
// two strings per entry cost several times the text itself.

#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace zelvon {

// Name reserved for the marker that closes one pass through a loop.
inline constexpr std::u16string_view kDepthCountName = u"::depthcount::";

// One cut-out value, or the marker closing a loop pass. Kept small (the
// name is shared by all entries of one script item and held once).
struct ExtractedEntry {
    std::u16string_view name() const { return *name_; }
    std::u16string_view value() const { return {value_, valueSize_}; }

    const std::u16string_view* name_ = nullptr;
    const char16_t* value_ = nullptr;
    uint32_t valueSize_ = 0;
    int depth = 0;
};

class ExtractedEntries {
public:
    ExtractedEntries() = default;
    ExtractedEntries(ExtractedEntries&&) noexcept = default;
    ExtractedEntries& operator=(ExtractedEntries&&) noexcept = default;
    ExtractedEntries(const ExtractedEntries&) = delete;
    ExtractedEntries& operator=(const ExtractedEntries&) = delete;

    // Room for `length` characters that stay where they are as long as the
    // list (or until clear()). Fill it before asking for more.
    char16_t* allocate(size_t length);
    // A copy of `text` in the list's own blocks.
    std::u16string_view keep(std::u16string_view text);
    // A name for entries: `name` copied once, at an address that lasts.
    const std::u16string_view* keepName(std::u16string_view name);

    // Appends an entry whose name came from keepName and whose value is
    // already kept. A value past 4 G characters cannot come from a page
    // under the download cap.
    void add(const std::u16string_view* name, std::u16string_view value, int depth) {
        entries_.push_back({name, value.data(), static_cast<uint32_t>(value.size()), depth});
    }
    // Appends an entry, copying its name and value.
    void addCopy(std::u16string_view name, std::u16string_view value, int depth) {
        add(keepName(name), keep(value), depth);
    }
    void addPassEnd(int depth);

    // Drops every entry and frees their text.
    void clear();

    size_t size() const { return entries_.size(); }
    bool empty() const { return entries_.empty(); }
    const ExtractedEntry& operator[](size_t i) const { return entries_[i]; }
    auto begin() const { return entries_.cbegin(); }
    auto end() const { return entries_.cend(); }

private:
    // A deque grows block by block: no copy of all entries when it fills up.
    std::deque<ExtractedEntry> entries_;
    std::deque<std::u16string_view> names_;
    std::vector<std::unique_ptr<char16_t[]>> blocks_;
    size_t blockUsed_ = 0;
    size_t blockSize_ = 0;
};

} // namespace zelvon
