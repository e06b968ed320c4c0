#pragma once
// The stricter markup reader for extraction scripts: apostrophe-quoted
// attributes only, no declarations, no tag normalisation.

#include "foundation/xml_node.h"

namespace zelvon {

class ScriptXmlDocument : public XmlTree {
public:
    bool parse(std::u16string_view text);
};

} // namespace zelvon
