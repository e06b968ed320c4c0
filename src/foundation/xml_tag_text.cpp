#include "foundation/xml_tag_text.h"

#include "foundation/blank_text.h"

namespace zelvon {
namespace {

// Normalisation turns every line break and tab into blanks, so with it those
// characters end a word just as a blank does; without it only a blank does.
std::u16string_view firstWord(std::u16string_view tag, const MarkupRules& rules) {
    const std::u16string_view text = trimLeadingBlanks(tag);
    const size_t end = rules.normaliseTags ? text.find_first_of(u" \t\r\n") : text.find(u' ');
    return text.substr(0, end);
}

bool needsNormalising(std::u16string_view tag) {
    return tag.find_first_of(u"\t\r\n") != std::u16string_view::npos;
}

} // namespace

std::u16string normaliseTagText(std::u16string_view tag) {
    std::u16string out;
    out.reserve(tag.size());
    for (size_t i = 0; i < tag.size(); ++i) {
        const char16_t c = tag[i];
        if (c == u'\r') {
            if (i + 1 < tag.size() && tag[i + 1] == u'\n')
                ++i;
            out.push_back(u' ');
        } else if (c == u'\n') {
            out.push_back(u' ');
        } else if (c == u'\t') {
            out.append(4, u' ');
        } else {
            out.push_back(c);
        }
    }
    return out;
}

std::u16string elementNameOf(std::u16string_view tag, const MarkupRules& rules) {
    if (isEmptyElementTag(tag))
        tag.remove_suffix(1);
    return std::u16string(firstWord(tag, rules));
}

bool closesElement(std::u16string_view tag, std::u16string_view name, const MarkupRules& rules) {
    const std::u16string_view word = firstWord(tag, rules);
    return !word.empty() && word.front() == u'/' && word.substr(1) == name;
}

XmlAttributes scanAttributes(std::u16string_view tag, const MarkupRules& rules) {
    std::u16string normalised;
    if (rules.normaliseTags && needsNormalising(tag)) {
        normalised = normaliseTagText(tag);
        tag = normalised;
    }
    const char16_t quote = rules.quotePerTag && tag.find(u"=\"") != std::u16string_view::npos ? u'"' : u'\'';
    const char16_t marker[] = {u'=', quote};
    const std::u16string_view markerText(marker, 2);

    XmlAttributes attributes;
    size_t rest = 0;
    for (;;) {
        const size_t m = tag.find(markerText, rest);
        if (m == std::u16string_view::npos)
            break;
        const size_t valueStart = m + markerText.size();
        const size_t q = tag.find(quote, valueStart);
        if (q == std::u16string_view::npos)
            break;
        std::u16string_view key = trimBlanks(tag.substr(rest, m - rest));
        const size_t blank = key.rfind(u' ');
        if (blank != std::u16string_view::npos)
            key.remove_prefix(blank + 1);
        attributes.emplace_back(std::u16string(key), std::u16string(tag.substr(valueStart, q - valueStart)));
        rest = q + 1;
    }
    return attributes;
}

} // namespace zelvon
