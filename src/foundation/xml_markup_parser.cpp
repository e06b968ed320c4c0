#include "foundation/xml_markup_parser.h"

#include "foundation/xml_end_tag_index.h"
#include "foundation/xml_tag_text.h"

#include <algorithm>
#include <vector>

namespace zelvon {
namespace {

constexpr size_t npos = std::u16string_view::npos;

bool isDeclaration(std::u16string_view tag) {
    for (std::u16string_view opener : {u"?", u"!DOCTYPE", u"!ATTLIST", u"!ELEMENT", u"!ENTITY"}) {
        if (tag.starts_with(opener))
            return true;
    }
    return false;
}

// Finds one fixed text for positions that never decrease, remembering the
// last answer: a document full of unclosed comments then costs one pass
// instead of one pass per comment.
class ForwardFinder {
public:
    ForwardFinder(std::u16string_view text, std::u16string_view needle) : text_(text), needle_(needle) {}

    size_t findFrom(size_t from) {
        if (!searched_ || (last_ != npos && last_ < from)) {
            last_ = text_.find(needle_, from);
            searched_ = true;
        }
        return last_;
    }

private:
    std::u16string_view text_;
    std::u16string_view needle_;
    size_t last_ = npos;
    bool searched_ = false;
};

// A leaf is an element whose content (between its start tag's ">" at `gt`
// and its end tag at `end`) is passed over instead of being scanned.
bool isLeaf(std::u16string_view text, size_t gt, size_t end, LeafTest test) {
    if (test == LeafTest::NoAngleBracket)
        return text.find_first_of(u"<>", gt + 1) == end;
    // The end tag starts with "<", so the search stops there at the latest.
    const size_t firstTag = text.find(u'<', gt + 1);
    return firstTag == end || text.substr(firstTag).starts_with(u"<![CDATA[");
}

class Parser {
public:
    Parser(std::u16string_view text, const MarkupRules& rules, std::unique_ptr<XmlNode>& root)
        : text_(text), rules_(rules), root_(root), endTags_(text), commentEnds_(text, u"-->") {}

    bool run(size_t lt) {
        for (;;) {
            const size_t gt = text_.find(u'>', lt);
            if (gt == npos)
                return false;
            // Every tag resumes at or after its ">"; holding to that keeps
            // the scan moving forward, so it always ends.
            const size_t resume = std::max(handleTag(lt, gt), gt);
            lt = text_.find(u'<', resume + 1);
            if (lt == npos)
                return true;
        }
    }

private:
    // Reads the tag between `lt` and `gt`; returns the position after which
    // the scan for the next "<" starts.
    size_t handleTag(size_t lt, size_t gt) {
        const std::u16string_view tag = text_.substr(lt + 1, gt - lt - 1);
        if (tag.starts_with(u"!--")) {
            // The search starts at the "<" itself, so "<!-->" closes at once.
            // An unclosed comment falls through and is read as an element.
            const size_t commentEnd = commentEnds_.findFrom(lt);
            if (commentEnd != npos)
                return commentEnd + 2;
        } else if (rules_.skipDeclarations && isDeclaration(tag)) {
            // A declaration ends at its first ">", even with an internal subset.
            return gt;
        }
        if (!open_.empty() && closesElement(tag, open_.back()->name, rules_)) {
            previous_ = open_.back();
            open_.pop_back();
            return gt;
        }
        return addElement(tag, gt);
    }

    size_t addElement(std::u16string_view tag, size_t gt) {
        auto owned = std::make_unique<XmlNode>();
        XmlNode* element = owned.get();
        element->name = elementNameOf(tag, rules_);
        element->attributes = scanAttributes(tag, rules_);

        XmlNode* parent = open_.empty() ? nullptr : open_.back();
        if (parent != nullptr) {
            parent->children.push_back(std::move(owned));
            // Linked at once: an element left without end tag stays in this
            // link only until the next element at its level takes it over,
            // so a walk by siblings passes over it.
            if (previous_ != nullptr)
                previous_->nextSibling = element;
        }
        // At the top level the link is not made: every finished top-level
        // element replaces the root, and the root has no sibling.

        if (isEmptyElementTag(tag)) {
            finish(std::move(owned), parent);
            previous_ = element;
            return gt;
        }
        const size_t end = endTags_.find(element->name, gt);
        if (end == npos) {
            // Never a parent and never the root; without a parent it is
            // discarded here (it is not reachable from the tree).
            return gt;
        }
        if (isLeaf(text_, gt, end, rules_.leafTest)) {
            finish(std::move(owned), parent);
            previous_ = element;
            return end; // content and end tag are passed over
        }
        finish(std::move(owned), parent);
        open_.push_back(element);
        previous_ = nullptr;
        return gt; // the content is scanned next
    }

    // A finished top-level element becomes the root; one with a parent is
    // already owned by it.
    void finish(std::unique_ptr<XmlNode> owned, const XmlNode* parent) {
        if (parent == nullptr)
            root_ = std::move(owned);
    }

    std::u16string_view text_;
    const MarkupRules& rules_;
    std::unique_ptr<XmlNode>& root_;
    XmlEndTagIndex endTags_;
    ForwardFinder commentEnds_;
    std::vector<XmlNode*> open_; // elements whose content is being scanned
    XmlNode* previous_ = nullptr; // last element finished at the current level
};

} // namespace

bool parseMarkup(std::u16string_view text, const MarkupRules& rules, std::unique_ptr<XmlNode>& root) {
    root.reset();
    const size_t lt = text.find(u'<');
    if (lt == npos)
        return rules.successWithoutTag;
    Parser parser(text, rules, root);
    return parser.run(lt);
}

} // namespace zelvon
