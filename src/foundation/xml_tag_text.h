#pragma once
// What the markup readers take out of the text of one tag (the characters
// between "<" and ">"): the element name, the close name of an end tag and
// the attributes.

#include "foundation/xml_markup_rules.h"

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace zelvon {

using XmlAttributes = std::vector<std::pair<std::u16string, std::u16string>>;

// CR LF, then lone CR and LF each become one blank; a tab becomes four.
std::u16string normaliseTagText(std::u16string_view tag);

// The tag ends with "/" (no trimming): an empty-element tag.
inline bool isEmptyElementTag(std::u16string_view tag) { return !tag.empty() && tag.back() == u'/'; }

// First word of the tag after leading white space; the closing "/" of an
// empty-element tag is not part of it.
std::u16string elementNameOf(std::u16string_view tag, const MarkupRules& rules);

// True when the tag is an end tag ("/" + name as its first word) whose name
// equals `name`.
bool closesElement(std::u16string_view tag, std::u16string_view name, const MarkupRules& rules);

// The attributes in order of appearance, values verbatim. One quote
// character serves the whole tag; a value without its closing quote ends
// the scan and is dropped.
XmlAttributes scanAttributes(std::u16string_view tag, const MarkupRules& rules);

} // namespace zelvon
