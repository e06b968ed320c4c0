#include "watch/product_output.h"

#include "foundation/entity_codec.h"
#include "foundation/xml_document.h"

namespace zelvon {

bool forEachOutputChild(std::u16string_view outputPath, std::u16string_view childName,
                        const std::function<void(const XmlNode&)>& visit) {
    XmlDocument document;
    if (!document.load(outputPath))
        return false;
    const XmlNode* root = document.findNode(u"root");
    if (root == nullptr)
        return false;
    for (const XmlNode* child = XmlTree::firstChild(root); child != nullptr; child = XmlTree::nextSibling(child))
        if (child->name == childName)
            visit(*child);
    return true;
}

std::u16string outputField(const XmlNode& node, std::u16string_view name) {
    return EntityCodec::unescapeMarkup(XmlTree::getAttribute(&node, name));
}

void readProductFields(const XmlNode& node, ProductRecord& record) {
    record.productName = outputField(node, u"productName");
    record.productCompany = outputField(node, u"productCompany");
    record.productVersion = outputField(node, u"productVersion");
    record.productDate = outputField(node, u"productDate");
    record.productDescription = outputField(node, u"productDescription");
}

} // namespace zelvon
