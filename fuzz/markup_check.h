#pragma once
// The properties both markup readers must keep on any text: the same tree
// (names, attributes, sibling links) and the same verdict as the plain
// reference scan, a root without siblings, and names and values that are
// all pieces of the text they were read from.

#include "fuzz_support.h"
#include "support/markup_reference.h"

#include "foundation/xml_tag_text.h"

namespace zelvon::fuzz {

inline void checkNodeTexts(const XmlNode* node, std::u16string_view text) {
    if (node == nullptr)
        return;
    require(text.find(node->name) != std::u16string_view::npos, "an element name is a piece of the text",
            toUtf8(node->name));
    for (const auto& [name, value] : node->attributes) {
        require(text.find(name) != std::u16string_view::npos, "an attribute name is a piece of the text", toUtf8(name));
        require(text.find(value) != std::u16string_view::npos, "an attribute value is a piece of the text",
                toUtf8(value));
    }
    for (size_t i = 0; i < node->children.size(); ++i) {
        const XmlNode* next = node->children[i]->nextSibling;
        bool ahead = next == nullptr;
        for (size_t j = i + 1; j < node->children.size() && !ahead; ++j)
            ahead = node->children[j].get() == next;
        require(ahead, "a sibling link leads to a later child of the same parent");
        checkNodeTexts(node->children[i].get(), text);
    }
}

template <class Document>
void checkMarkupReader(std::string_view bytes, const MarkupRules& rules) {
    const std::u16string text = decodeFileText(bytes);
    Document document;
    std::unique_ptr<XmlNode> expected;
    const bool parsed = document.parse(text);
    require(parsed == test::referenceParse(text, rules, expected), "the verdict matches the reference scan",
            toUtf8(text));
    require(test::describe(document.root()) == test::describe(expected.get()), "the tree matches the reference scan",
            toUtf8(text));
    require(document.root() == nullptr || document.root()->nextSibling == nullptr, "the root has no sibling");
    // Tags are read after their line breaks and tabs are normalised, so the
    // pieces are looked for in the text normalised the same way.
    const std::u16string source = rules.normaliseTags ? normaliseTagText(text) : text;
    checkNodeTexts(document.root(), source);
    // A second parse of the same document replaces the tree, not adds to it.
    require(document.parse(text) == parsed && test::describe(document.root()) == test::describe(expected.get()),
            "parsing again gives the same tree");
}

} // namespace zelvon::fuzz
