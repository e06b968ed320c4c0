#pragma once
// The scan loop both markup readers share. It is tolerant by design: it
// builds what it can from damaged text and reports failure only for a text
// without any tag (where the rules say so) or a "<" that is never closed.

#include "foundation/xml_markup_rules.h"
#include "foundation/xml_node.h"

#include <memory>
#include <string_view>

namespace zelvon {

// Destroys `root`, then reads `text`. Each element finished at the top level
// replaces the root, so the last one wins. On failure the elements built so
// far stay in place.
bool parseMarkup(std::u16string_view text, const MarkupRules& rules, std::unique_ptr<XmlNode>& root);

} // namespace zelvon
