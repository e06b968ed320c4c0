#pragma once
// The program's tolerant XML reader: list files, the script catalogue,
// engine result files and the script-update description all go through it.
// It keeps elements and attributes only; values are returned verbatim.

#include "foundation/xml_node.h"

namespace zelvon {

class XmlDocument : public XmlTree {
public:
    // Reads the file (UTF-8 when valid, else Windows-1252) and parses it.
    // False when the file cannot be opened (the old tree stays) or the
    // parse fails.
    bool load(std::u16string_view path);
    // Replaces the tree with the one read from `text`.
    bool parse(std::u16string_view text);
};

} // namespace zelvon
