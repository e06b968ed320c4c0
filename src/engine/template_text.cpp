#include "engine/template_text.h"

#include "foundation/blank_text.h"
#include "foundation/entity_codec.h"

namespace zelvon {

std::u16string plainTextFromMarkup(std::u16string_view text) {
    std::u16string out;
    out.reserve(text.size());
    size_t pos = 0;
    while (pos < text.size()) {
        const size_t open = text.find(u'<', pos);
        if (open == std::u16string_view::npos)
            break;
        const size_t close = text.find(u'>', open + 1);
        if (close == std::u16string_view::npos)
            break; // the "<" and all after it stay as text
        out.append(text.substr(pos, open - pos));
        while (!out.empty() && isBlank(out.back()))
            out.pop_back();
        out.push_back(u' ');
        pos = close + 1;
    }
    out.append(text.substr(pos));
    const std::u16string_view trimmed = trimTrailingBlanks(trimLeadingBlanks(out));
    return EntityCodec::decodeEntities(trimmed);
}

std::u16string formatFieldValue(std::u16string_view value, std::u16string_view format) {
    if (format == u"PHT")
        return plainTextFromMarkup(value);
    if (format == u"EXML")
        return EntityCodec::escapeMarkup(value);
    if (format == u"PHT/EXML")
        return EntityCodec::escapeMarkup(plainTextFromMarkup(value));
    return std::u16string(value);
}

} // namespace zelvon
