#include "engine/extraction_script.h"

#include "foundation/entity_codec.h"
#include "foundation/script_xml_document.h"

#include <algorithm>

namespace zelvon {

ExtractionScript readExtractionScript(std::u16string_view text) {
    ExtractionScript script;
    ScriptXmlDocument document;
    if (!document.parse(text))
        return script;
    const XmlNode* root = document.findNode(u"extraction");
    if (root == nullptr || root->name != u"extraction")
        return script;
    auto attribute = [](const XmlNode* node, std::u16string_view name) {
        return EntityCodec::unescapeMarkup(XmlTree::getAttribute(node, name));
    };
    for (const XmlNode* child = XmlTree::firstChild(root); child != nullptr; child = XmlTree::nextSibling(child)) {
        if (child->name == u"source") {
            script.sourceUrl = attribute(child, u"url");
            script.cacheName = attribute(child, u"cache");
            // A saved page's name may be written with the handheld's
            // separator; the page folder here uses "/".
            std::replace(script.cacheName.begin(), script.cacheName.end(), u'\\', u'/');
        } else if (child->name == u"item") {
            script.items.push_back({attribute(child, u"action"), attribute(child, u"token"), attribute(child, u"variable")});
        }
    }
    return script;
}

bool pairLoops(const std::vector<ScriptItem>& items, std::vector<LoopSpan>& loops, std::u16string& errorText) {
    loops.clear();
    std::vector<int> openStarts;
    for (size_t index = 0; index < items.size(); ++index) {
        const ScriptItem& item = items[index];
        if (item.action == kActionStartLoop) {
            openStarts.push_back(static_cast<int>(index));
        } else if (item.action == kActionEndLoop) {
            if (openStarts.empty()) {
                errorText += u"Extra [EndLoop] found.\n";
                return false;
            }
            loops.push_back({item.token, openStarts.back(), static_cast<int>(index)});
            openStarts.pop_back();
        }
    }
    if (!openStarts.empty()) {
        errorText += u"Too many unmatched [StartLoop]\n";
        return false;
    }
    return true;
}

} // namespace zelvon
