#pragma once
// The element tree shared by the program's two markup readers.

#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace zelvon {

struct XmlNode {
    std::u16string name;
    // In order of appearance; names need not be unique, lookups take the first.
    std::vector<std::pair<std::u16string, std::u16string>> attributes;
    std::vector<std::unique_ptr<XmlNode>> children;
    // Non-owning link to the element that follows at the same level. The
    // parser may leave an unterminated element out of this chain.
    XmlNode* nextSibling = nullptr;

    // Frees the subtree without recursion, so a document of a hundred
    // thousand nested elements cannot exhaust the stack when it goes away.
    ~XmlNode();
};

// Root ownership and the read-only queries both readers offer.
class XmlTree {
public:
    XmlTree() = default;
    XmlTree(const XmlTree&) = delete;
    XmlTree& operator=(const XmlTree&) = delete;
    virtual ~XmlTree() = default;

    const XmlNode* root() const { return root_.get(); }

    // Backslash-separated path whose first component names the root itself.
    const XmlNode* findNode(std::u16string_view path) const;

    static const XmlNode* firstChild(const XmlNode* node);
    static const XmlNode* nextSibling(const XmlNode* node);
    // Empty text for a missing attribute or a null node.
    static std::u16string getAttribute(const XmlNode* node, std::u16string_view name);
    static bool hasAttributeValue(const XmlNode* node, std::u16string_view name, std::u16string_view value);

protected:
    std::unique_ptr<XmlNode> root_;
};

} // namespace zelvon
