#pragma once
// Plain reference versions of the markup readers' scan loop and of the
// entity decoder's scan, shared by the seeded random tests and the fuzz
// targets: both compare the real readers against them.

#include "foundation/entity_codec.h"
#include "foundation/text_codec.h"
#include "foundation/xml_markup_rules.h"
#include "foundation/xml_node.h"
#include "foundation/xml_tag_text.h"

#include <algorithm>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace zelvon::test {

inline constexpr size_t npos = std::u16string_view::npos;

// The scan loop as written down, with plain substring searches where the
// real parser uses its end-tag index and cached comment search.
inline bool referenceParse(std::u16string_view text, const MarkupRules& rules, std::unique_ptr<XmlNode>& root) {
    size_t lt = text.find(u'<');
    if (lt == npos)
        return rules.successWithoutTag;
    std::vector<XmlNode*> open;
    XmlNode* previous = nullptr;
    for (;;) {
        const size_t gt = text.find(u'>', lt);
        if (gt == npos)
            return false;
        const std::u16string_view tag = text.substr(lt + 1, gt - lt - 1);
        size_t resume = gt;
        const size_t commentEnd = tag.starts_with(u"!--") ? text.find(u"-->", lt) : npos;
        bool declaration = false;
        for (std::u16string_view opener : {u"?", u"!DOCTYPE", u"!ATTLIST", u"!ELEMENT", u"!ENTITY"})
            declaration = declaration || (rules.skipDeclarations && tag.starts_with(opener));
        if (commentEnd != npos) {
            resume = commentEnd + 2;
        } else if (declaration) {
        } else if (!open.empty() && closesElement(tag, open.back()->name, rules)) {
            previous = open.back();
            open.pop_back();
        } else {
            auto owned = std::make_unique<XmlNode>();
            XmlNode* element = owned.get();
            element->name = elementNameOf(tag, rules);
            element->attributes = scanAttributes(tag, rules);
            XmlNode* parent = open.empty() ? nullptr : open.back();
            if (parent != nullptr) {
                if (previous != nullptr)
                    previous->nextSibling = element;
                parent->children.push_back(std::move(owned));
            }
            const size_t end = isEmptyElementTag(tag) ? npos : text.find(u"</" + element->name + u">", gt);
            if (isEmptyElementTag(tag) || end != npos) {
                const std::u16string_view content = end == npos ? u"" : text.substr(gt + 1, end - gt - 1);
                const size_t firstLt = content.find(u'<');
                const bool leaf = end == npos || (rules.leafTest == LeafTest::NoTagOrCdata
                                                      ? firstLt == npos || content.substr(firstLt).starts_with(u"<![CDATA[")
                                                      : content.find_first_of(u"<>") == npos);
                if (parent == nullptr)
                    root = std::move(owned);
                if (leaf) {
                    previous = element;
                    resume = end == npos ? gt : end;
                } else {
                    open.push_back(element);
                    previous = nullptr;
                }
            }
        }
        lt = text.find(u'<', resume + 1);
        if (lt == npos)
            return true;
    }
}

// Everything about a tree: names, attributes and each sibling link as the
// index of its target among the parent's children (which must lie ahead).
inline std::string describe(const XmlNode* node, size_t depth = 0) {
    if (node == nullptr)
        return "";
    std::string out = std::string(depth, '.') + toUtf8(node->name);
    for (const auto& [name, value] : node->attributes)
        out += " " + toUtf8(name) + "=[" + toUtf8(value) + "]";
    for (size_t i = 0; i < node->children.size(); ++i) {
        size_t target = i + 1;
        while (target < node->children.size() && node->children[target].get() != node->children[i]->nextSibling)
            ++target;
        out += node->children[i]->nextSibling == nullptr ? " -" : " " + std::to_string(target);
    }
    out += "\n";
    for (const auto& child : node->children)
        out += describe(child.get(), depth + 1);
    return out;
}

// The decoder as the file formats define it: rebuild the whole text at each
// replacement and search on one character after the reference's start. A
// single reference is decoded by decodeEntities itself; the table cases
// check that part, this checks the scanning.
inline std::u16string referenceDecode(std::u16string text) {
    for (size_t a = text.find(u'&'); a != npos; a = text.find(u'&', a + 1)) {
        const size_t s = text.find(u';', a);
        if (s == npos || s - a + 1 > 8)
            continue;
        // The reference is taken whole: an "&" inside it starts nothing, so
        // it is masked before decodeEntities sees it.
        std::u16string reference = text.substr(a, s - a + 1);
        std::replace(reference.begin() + 1, reference.end(), u'&', u'!');
        const std::u16string decoded = EntityCodec::decodeEntities(reference);
        if (decoded != reference)
            text = text.substr(0, a) + decoded + text.substr(s + 1);
    }
    return text;
}

} // namespace zelvon::test
