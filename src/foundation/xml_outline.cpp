#include "foundation/xml_outline.h"

#include <vector>

namespace zelvon {
namespace {

void appendLine(std::u16string& out, const XmlNode& node, size_t depth) {
    out.append(depth * 2, u' ');
    out += node.name;
    for (const auto& [name, value] : node.attributes) {
        out += u' ';
        out += name;
        out += u"=[";
        out += value;
        out += u']';
    }
    out += u'\n';
}

} // namespace

std::u16string xmlOutline(const XmlNode* start) {
    std::u16string out;
    if (start == nullptr)
        return out;
    appendLine(out, *start, 0);
    // One entry per open level: the next element to visit there. Iterative,
    // so a very deep tree cannot exhaust the stack.
    std::vector<const XmlNode*> levels{XmlTree::firstChild(start)};
    while (!levels.empty()) {
        const XmlNode* node = levels.back();
        if (node == nullptr) {
            levels.pop_back();
            continue;
        }
        levels.back() = XmlTree::nextSibling(node);
        appendLine(out, *node, levels.size());
        levels.push_back(XmlTree::firstChild(node));
    }
    return out;
}

} // namespace zelvon
