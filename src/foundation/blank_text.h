#pragma once
// White space as the C library's isspace knows it in the "C" locale: blank,
// tab, line feed, vertical tab, form feed and carriage return. The readers,
// the engine and the number parsers all trim with this one set.

#include <string_view>

namespace zelvon {

inline bool isBlank(char16_t c) {
    return c == u' ' || c == u'\t' || c == u'\n' || c == u'\v' || c == u'\f' || c == u'\r';
}

inline std::u16string_view trimLeadingBlanks(std::u16string_view text) {
    size_t start = 0;
    while (start < text.size() && isBlank(text[start]))
        ++start;
    return text.substr(start);
}

inline std::u16string_view trimTrailingBlanks(std::u16string_view text) {
    size_t end = text.size();
    while (end > 0 && isBlank(text[end - 1]))
        --end;
    return text.substr(0, end);
}

inline std::u16string_view trimBlanks(std::u16string_view text) {
    return trimTrailingBlanks(trimLeadingBlanks(text));
}

} // namespace zelvon
