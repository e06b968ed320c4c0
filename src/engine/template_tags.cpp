#include "engine/template_tags.h"

namespace zelvon {

TagScan findTag(std::u16string_view text, size_t from, TemplateTag& tag) {
    const size_t start = text.find(kTagOpen, from);
    if (start == std::u16string_view::npos)
        return TagScan::None;
    tag.start = start;
    // The closing mark is searched from the tag's own start, so "[vex:vex]"
    // closes on the colon of its opening mark; its content is then empty.
    const size_t close = text.find(kTagClose, start);
    if (close == std::u16string_view::npos)
        return TagScan::Unterminated;
    const size_t contentStart = start + kTagOpen.size();
    tag.content = close > contentStart ? text.substr(contentStart, close - contentStart) : std::u16string_view{};
    tag.end = close + kTagClose.size();
    return TagScan::Found;
}

bool findMatchingEndLoop(std::u16string_view text, size_t from, size_t& endLoopStart) {
    // Only the literal loop tags count here. Looking at each "[vex:" once
    // keeps the scan linear even when one of the two tags never occurs.
    int nesting = 0;
    size_t pos = text.find(kTagOpen, from);
    while (pos != std::u16string_view::npos) {
        const std::u16string_view rest = text.substr(pos);
        size_t next = pos + 1;
        if (rest.starts_with(kStartLoopTag)) {
            ++nesting;
            next = pos + kStartLoopTag.size();
        } else if (rest.starts_with(kEndLoopTag)) {
            if (nesting == 0) {
                endLoopStart = pos;
                return true;
            }
            --nesting;
            next = pos + kEndLoopTag.size();
        }
        pos = text.find(kTagOpen, next);
    }
    return false;
}

bool parseFieldRef(std::u16string_view content, FieldRef& ref) {
    const size_t first = content.find(u':');
    if (first == std::u16string_view::npos)
        return false;
    const size_t second = content.find(u':', first + 1);
    ref.key = content.substr(0, second);
    ref.script = content.substr(0, first);
    ref.field = ref.key.substr(first + 1);
    ref.format = second == std::u16string_view::npos ? std::u16string_view{} : content.substr(second + 1);
    return true;
}

} // namespace zelvon
