#pragma once
// The settings file in memory: a list of lines, of which section headers
// ("[Section]") and entries ("Key=Value") are understood. Every other line
// (comments, blank lines, damaged text) is kept byte for byte, so editing
// one value never loses anything else that stood in the file.
//
// Names are compared without regard to the case of ASCII letters, the way
// the registry these settings come from compares them.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zelvon {

class IniFile {
public:
    explicit IniFile(std::string_view bytes);

    // The first value stored under `key` in any block headed `section`.
    std::optional<std::u16string> value(std::u16string_view section, std::u16string_view key) const;

    // Replaces the first such entry; otherwise adds one at the end of the
    // first block of the section, or a new section at the end of the file.
    void setValue(std::u16string_view section, std::u16string_view key, std::u16string_view value);

    // The file's bytes, each line ended by a line feed.
    std::string bytes() const;

private:
    enum class Kind { Other, Section, Entry };
    struct Line {
        std::string raw; // as read, without its line feed
        Kind kind = Kind::Other;
        std::u16string name;  // section name or key
        std::u16string value; // entries only
    };

    static Line parse(std::string raw);
    static Line makeEntry(std::u16string_view key, std::u16string_view value);

    std::vector<Line> lines_;
};

} // namespace zelvon
