#pragma once
// How section names, keys and values are spelled in the settings file, so
// that any text survives a trip through it: line breaks, "=", "[", ";",
// "#", blanks at either end, control characters and non-ASCII text.
//
// Text is stored as UTF-8 with backslash escapes:
//   \\  backslash         \n \r \t  line feed, carriage return, tab
//   \xHH  other control characters and a blank at either end
//   \uHHHH  a lone UTF-16 surrogate (it has no UTF-8 form)
//   \= \[ \] \; \#  those characters where they would be misread
// An unknown escape is read as the two characters it consists of, so a
// hand-edited "C:\Program Files" keeps its backslash.

#include <string>
#include <string_view>

namespace zelvon::ini {

enum class Field { Section, Key, Value };

std::string escape(std::u16string_view text, Field field);
std::u16string unescape(std::string_view stored);

// The index of the first "=" that is not escaped, or npos.
size_t findSeparator(std::string_view line);
// The index of the "]" that closes a section header opened at index 0, or
// npos.
size_t findSectionEnd(std::string_view line);

} // namespace zelvon::ini
