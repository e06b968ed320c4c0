#pragma once
// The two value formats a field tag of a template may ask for.

#include <string>
#include <string_view>

namespace zelvon {

// "PHT": plain text from markup. Every complete "<...>" becomes one blank
// (with the blanks before it folded away), a "<" without a later ">" stays,
// the result is trimmed and its entities decoded.
std::u16string plainTextFromMarkup(std::u16string_view text);

// Applies a field tag's format: "PHT", "EXML" (the four-entity markup
// escape) or "PHT/EXML" (both, in that order). Any other format text leaves
// the value as it is.
std::u16string formatFieldValue(std::u16string_view value, std::u16string_view format);

} // namespace zelvon
