#include "foundation/xml_node.h"

namespace zelvon {

XmlNode::~XmlNode() {
    // Take the descendants over level by level into one flat list; each node
    // is then destroyed with an empty child list, so nothing recurses.
    std::vector<std::unique_ptr<XmlNode>> pending = std::move(children);
    children.clear();
    while (!pending.empty()) {
        std::unique_ptr<XmlNode> node = std::move(pending.back());
        pending.pop_back();
        for (auto& child : node->children)
            pending.push_back(std::move(child));
        node->children.clear();
    }
}

const XmlNode* XmlTree::findNode(std::u16string_view path) const {
    const XmlNode* current = root_.get();
    if (current == nullptr)
        return nullptr;
    // Every backslash splits, so empty components (a doubled or trailing
    // backslash) are real components that match no named element.
    size_t start = 0;
    bool first = true;
    for (;;) {
        const size_t slash = path.find(u'\\', start);
        const std::u16string_view component = path.substr(start, slash == std::u16string_view::npos ? std::u16string_view::npos : slash - start);
        if (first) {
            if (component != current->name)
                return nullptr;
            first = false;
        } else {
            const XmlNode* match = nullptr;
            for (const auto& child : current->children) {
                if (child->name == component) {
                    match = child.get();
                    break;
                }
            }
            if (match == nullptr)
                return nullptr;
            current = match;
        }
        if (slash == std::u16string_view::npos)
            return current;
        start = slash + 1;
    }
}

const XmlNode* XmlTree::firstChild(const XmlNode* node) {
    if (node == nullptr || node->children.empty())
        return nullptr;
    return node->children.front().get();
}

const XmlNode* XmlTree::nextSibling(const XmlNode* node) {
    return node == nullptr ? nullptr : node->nextSibling;
}

std::u16string XmlTree::getAttribute(const XmlNode* node, std::u16string_view name) {
    if (node == nullptr)
        return {};
    for (const auto& [key, value] : node->attributes) {
        if (key == name)
            return value;
    }
    return {};
}

bool XmlTree::hasAttributeValue(const XmlNode* node, std::u16string_view name, std::u16string_view value) {
    if (node == nullptr)
        return false;
    for (const auto& [key, attributeValue] : node->attributes) {
        if (key == name && attributeValue == value)
            return true;
    }
    return false;
}

} // namespace zelvon
