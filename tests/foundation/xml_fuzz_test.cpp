// Random and mutated markup fed to both readers. Each result must be a sound
// tree (sibling links stay inside their parent and point forward, walks
// end), and must equal the tree of a naive reference scan that uses plain
// substring searches, which is what the indexed searches of the real
// parser stand in for.

#include "foundation/script_xml_document.h"
#include "foundation/text_codec.h"
#include "foundation/xml_document.h"
#include "foundation/xml_markup_rules.h"
#include "foundation/xml_outline.h"
#include "foundation/xml_tag_text.h"

#include <gtest/gtest.h>

#include <map>
#include <random>

namespace zelvon {
namespace {

constexpr size_t npos = std::u16string_view::npos;

bool referenceIsDeclaration(std::u16string_view tag) {
    for (std::u16string_view opener : {u"?", u"!DOCTYPE", u"!ATTLIST", u"!ELEMENT", u"!ENTITY"})
        if (tag.starts_with(opener))
            return true;
    return false;
}

// The scan loop exactly as written down, with no index and no caching.
bool referenceParse(std::u16string_view text, const MarkupRules& rules, std::unique_ptr<XmlNode>& root) {
    root.reset();
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
        if (commentEnd != npos) {
            resume = commentEnd + 2;
        } else if (rules.skipDeclarations && referenceIsDeclaration(tag)) {
            resume = gt;
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
                parent->children.push_back(std::move(owned));
                if (previous != nullptr)
                    previous->nextSibling = element;
            }
            if (isEmptyElementTag(tag)) {
                if (parent == nullptr)
                    root = std::move(owned);
                previous = element;
            } else {
                const size_t end = text.find(u"</" + element->name + u">", gt);
                if (end != npos) {
                    const std::u16string_view content = text.substr(gt + 1, end - gt - 1);
                    const size_t firstLt = content.find(u'<');
                    const bool leaf = rules.leafTest == LeafTest::NoTagOrCdata
                        ? firstLt == npos || content.substr(firstLt).starts_with(u"<![CDATA[")
                        : content.find_first_of(u"<>") == npos;
                    if (parent == nullptr)
                        root = std::move(owned);
                    if (leaf) {
                        previous = element;
                        resume = end;
                    } else {
                        open.push_back(element);
                        previous = nullptr;
                    }
                }
            }
        }
        lt = text.find(u'<', resume + 1);
        if (lt == npos)
            return true;
    }
}

// Everything about a tree, sibling links included (as the index of the
// target among the parent's children), checking soundness on the way.
std::string describe(const XmlNode* root) {
    std::string out;
    if (root == nullptr)
        return out;
    if (root->nextSibling != nullptr)
        ADD_FAILURE() << "the root has a sibling";
    std::vector<std::pair<const XmlNode*, size_t>> pending{{root, 0}};
    while (!pending.empty()) {
        const auto [node, depth] = pending.back();
        pending.pop_back();
        out += std::string(depth, '.') + toUtf8(node->name);
        for (const auto& [name, value] : node->attributes)
            out += " " + toUtf8(name) + "=[" + toUtf8(value) + "]";
        out += "\n";
        std::map<const XmlNode*, size_t> position;
        for (size_t i = 0; i < node->children.size(); ++i)
            position[node->children[i].get()] = i;
        for (size_t i = 0; i < node->children.size(); ++i) {
            const XmlNode* next = node->children[i]->nextSibling;
            if (next == nullptr)
                continue;
            const auto found = position.find(next);
            if (found == position.end() || found->second <= i) {
                ADD_FAILURE() << "sibling link leaves its parent or points back";
                continue;
            }
            out += std::string(depth + 1, '.') + "#" + std::to_string(i) + "->" + std::to_string(found->second) + "\n";
        }
        for (size_t i = node->children.size(); i > 0; --i)
            pending.emplace_back(node->children[i - 1].get(), depth + 1);
    }
    return out;
}

// Fragments that steer random text towards the interesting paths.
const std::vector<std::u16string>& fragments() {
    static const std::vector<std::u16string> pieces = {
        u"<", u">", u"/", u"</", u"/>", u"<!--", u"-->", u"<![CDATA[", u"]]>", u"<?xml ?>", u"<!DOCTYPE",
        u"<a>", u"</a>", u"<b/>", u"<a", u"</b>", u"='", u"=\"", u"'", u"\"", u" ", u"\t", u"\r\n", u"\n",
        u"k", u"a", u"b", u"x", u"!", u"-", u"?", u"[", u"é", u"\u20AC", u"\xFEFF", u"\\", u"<extraction>", u"</extraction>",
        u"<item action='[MoveTo]'/>"};
    return pieces;
}

std::u16string randomText(std::mt19937& rng, size_t pieces) {
    std::uniform_int_distribution<size_t> pick(0, fragments().size() - 1);
    std::u16string text;
    for (size_t i = 0; i < pieces; ++i)
        text += fragments()[pick(rng)];
    return text;
}

std::u16string mutate(std::u16string text, std::mt19937& rng) {
    std::uniform_int_distribution<int> kind(0, 3);
    const int edits = 1 + static_cast<int>(rng() % 4);
    for (int e = 0; e < edits; ++e) {
        const size_t at = text.empty() ? 0 : rng() % (text.size() + 1);
        const size_t length = text.empty() ? 0 : rng() % std::min<size_t>(12, text.size() - std::min(at, text.size()) + 1);
        switch (kind(rng)) {
        case 0: text.erase(at, length); break;
        case 1: text.insert(at, randomText(rng, 1 + rng() % 3)); break;
        case 2: text.insert(at, text.substr(at, length)); break;
        default:
            if (at < text.size())
                text[at] = fragments()[rng() % fragments().size()].front();
            break;
        }
    }
    return text;
}

const std::vector<std::u16string>& seeds() {
    static const std::vector<std::u16string> documents = {
        u"<?xml version=\"1.0\"?>\r\n<vertrel version=\"1.0\">\r\n  <product productID=\"12\" name=\"A &amp; B\"\r\n"
        u"   isNew=\"1\"/>\r\n  <!-- note -->\r\n  <product productID=\"13\">text</product>\r\n</vertrel>\r\n",
        u"<root><wareloft><productDetail url='http://x/?id=1' script='detail.txt'/></wareloft></root>",
        u"<extraction>\n<source url='[URL]'/>\n<item action='[MoveTo]' token='&lt;b&gt;'/>\n"
        u"<item action='[Extract]' start='a' end='b'>1 > 0</item>\n</extraction>",
        u"<a><![CDATA[<b/>]]></a><c><d>e</d><f/><g h='i'></c>",
    };
    return documents;
}

void checkBothReaders(const std::u16string& text) {
    const std::pair<const MarkupRules*, bool> readers[] = {{&kXmlRules, false}, {&kScriptRules, true}};
    for (const auto& [rules, script] : readers) {
        std::unique_ptr<XmlTree> doc;
        bool result = false;
        if (script) {
            auto d = std::make_unique<ScriptXmlDocument>();
            result = d->parse(text);
            doc = std::move(d);
        } else {
            auto d = std::make_unique<XmlDocument>();
            result = d->parse(text);
            doc = std::move(d);
        }
        std::unique_ptr<XmlNode> expected;
        const bool expectedResult = referenceParse(text, *rules, expected);
        ASSERT_EQ(result, expectedResult) << (script ? "script: " : "xml: ") << toUtf8(text);
        ASSERT_EQ(describe(doc->root()), describe(expected.get())) << (script ? "script: " : "xml: ") << toUtf8(text);
        // A caller's walk ends and finds the root by its own name.
        xmlOutline(doc->root());
        if (doc->root() != nullptr && doc->root()->name.find(u'\\') == std::u16string::npos) {
            ASSERT_EQ(doc->findNode(doc->root()->name), doc->root());
        }
    }
}

TEST(XmlFuzzTest, RandomFragmentsMatchTheReferenceScan) {
    std::mt19937 rng(20240611);
    for (int i = 0; i < 4000; ++i) {
        checkBothReaders(randomText(rng, 1 + rng() % 40));
        if (::testing::Test::HasFatalFailure())
            return;
    }
}

TEST(XmlFuzzTest, MutatedDocumentsMatchTheReferenceScan) {
    std::mt19937 rng(977);
    for (int i = 0; i < 4000; ++i) {
        checkBothReaders(mutate(seeds()[i % seeds().size()], rng));
        if (::testing::Test::HasFatalFailure())
            return;
    }
}

} // namespace
} // namespace zelvon
