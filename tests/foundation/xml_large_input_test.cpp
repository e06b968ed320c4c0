// Large inputs that would take quadratic time with plain substring searches
// must still give exactly the tree the scan rules describe. Speed itself is
// measured by bench/xml_bench.cpp.

#include "foundation/script_xml_document.h"
#include "foundation/text_codec.h"
#include "foundation/xml_document.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>

namespace zelvon {
namespace {

constexpr int kCount = 50000;
constexpr int kDepth = 100000;

std::u16string number(int i) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%05d", i);
    return u16(buffer);
}

// About 1 MB: start tags whose end tags never come.
std::u16string unterminatedItems() {
    std::u16string text = u"<r>";
    for (int i = 0; i < kCount; ++i)
        text += u"<item n='" + number(i) + u"' v=''>";
    return text + u"</r>";
}

// About 1 MB: leaves, each closed by its own end tag.
std::u16string terminatedItems() {
    std::u16string text = u"<r>";
    for (int i = 0; i < kCount; ++i)
        text += u"<item n='" + number(i) + u"'>v</item>";
    return text + u"</r>";
}

std::u16string nested(int depth) {
    std::u16string text;
    for (int i = 0; i < depth; ++i)
        text += u"<e>";
    for (int i = 0; i < depth; ++i)
        text += u"</e>";
    return text;
}

std::vector<std::unique_ptr<XmlTree>> bothReaders(const std::u16string& text) {
    auto xml = std::make_unique<XmlDocument>();
    auto script = std::make_unique<ScriptXmlDocument>();
    EXPECT_TRUE(xml->parse(text));
    EXPECT_TRUE(script->parse(text));
    std::vector<std::unique_ptr<XmlTree>> trees;
    trees.push_back(std::move(xml));
    trees.push_back(std::move(script));
    return trees;
}

TEST(XmlLargeInputTest, UnterminatedItemsStayOutOfTheSiblingChain) {
    const std::u16string text = unterminatedItems();
    EXPECT_GT(text.size(), 900000u);
    for (const auto& doc : bothReaders(text)) {
        const XmlNode* root = doc->findNode(u"r");
        ASSERT_EQ(root, doc->root());
        ASSERT_EQ(root->children.size(), static_cast<size_t>(kCount));
        // Nothing at this level ever finishes, so no sibling link is made.
        for (const auto& child : root->children) {
            ASSERT_EQ(child->nextSibling, nullptr);
            ASSERT_TRUE(child->children.empty());
            ASSERT_EQ(child->name, u"item");
        }
        EXPECT_EQ(XmlTree::getAttribute(root->children.back().get(), u"n"), number(kCount - 1));
        EXPECT_EQ(XmlTree::getAttribute(doc->findNode(u"r\\item"), u"n"), u"00000");
    }
}

TEST(XmlLargeInputTest, TerminatedItemsFormOneChain) {
    const std::u16string text = terminatedItems();
    EXPECT_GT(text.size(), 900000u);
    for (const auto& doc : bothReaders(text)) {
        ASSERT_EQ(doc->findNode(u"r"), doc->root());
        ASSERT_EQ(doc->root()->children.size(), static_cast<size_t>(kCount));
        int walked = 0;
        for (const XmlNode* item = XmlTree::firstChild(doc->root()); item != nullptr && walked <= kCount; item = XmlTree::nextSibling(item)) {
            ASSERT_EQ(XmlTree::getAttribute(item, u"n"), number(walked));
            ASSERT_TRUE(item->children.empty());
            ++walked;
        }
        EXPECT_EQ(walked, kCount);
    }
}

TEST(XmlLargeInputTest, DeepNestingIsBuiltWalkedAndDestroyed) {
    const std::u16string text = nested(kDepth);
    for (auto& doc : bothReaders(text)) {
        int depth = 0;
        for (const XmlNode* node = doc->root(); node != nullptr && depth <= kDepth; node = XmlTree::firstChild(node)) {
            ASSERT_EQ(node->name, u"e");
            ASSERT_LE(node->children.size(), 1u);
            ASSERT_EQ(node->nextSibling, nullptr);
            ++depth;
        }
        EXPECT_EQ(depth, kDepth);
        // Destroying must not recurse once per level.
        doc.reset();
    }
    // Replacing a deep tree by parsing again frees it the same way.
    XmlDocument doc;
    ASSERT_TRUE(doc.parse(text));
    ASSERT_TRUE(doc.parse(u"<small/>"));
    EXPECT_EQ(doc.root()->name, u"small");
}

TEST(XmlLargeInputTest, OneFarEndTagNestsEveryItem) {
    // Every item finds the single end tag at the end, so each becomes the
    // parent of the next; the innermost is a leaf that passes over that end
    // tag, and the final "</r>" becomes a stray element beside it.
    std::u16string text = u"<r>";
    for (int i = 0; i < kCount; ++i)
        text += u"<item>";
    text += u"</item></r>";
    XmlDocument doc;
    ASSERT_TRUE(doc.parse(text));
    int depth = 0;
    const XmlNode* last = nullptr;
    for (const XmlNode* node = doc.findNode(u"r\\item"); node != nullptr && depth <= kCount; node = XmlTree::firstChild(node)) {
        last = node;
        ++depth;
    }
    ASSERT_NE(last, nullptr);
    EXPECT_EQ(depth, kCount);
    EXPECT_EQ(last->name, u"item");
    EXPECT_TRUE(last->children.empty());
}

TEST(XmlLargeInputTest, ManyUnclosedCommentsAreElements) {
    std::u16string text = u"<r>";
    for (int i = 0; i < kCount; ++i)
        text += u"<!--c>";
    text += u"<a/></r>";
    ScriptXmlDocument doc;
    ASSERT_TRUE(doc.parse(text));
    ASSERT_EQ(doc.root()->children.size(), static_cast<size_t>(kCount) + 1);
    EXPECT_EQ(doc.root()->children.front()->name, u"!--c");
    EXPECT_EQ(doc.findNode(u"r\\a"), doc.root()->children.back().get());
}

} // namespace
} // namespace zelvon
