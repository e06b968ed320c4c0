#pragma once
// A plain-text picture of an element tree as callers see it: walking from an
// element with firstChild and nextSibling (so an element the parser left out
// of the sibling chain does not show). One line per element, indented two
// blanks per level, with each attribute as ` name=[value]`, value verbatim.

#include "foundation/xml_node.h"

#include <string>

namespace zelvon {

// `start` and its subtree, depth counted from `start`; empty for null.
std::u16string xmlOutline(const XmlNode* start);

} // namespace zelvon
