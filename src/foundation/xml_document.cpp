#include "foundation/xml_document.h"

#include "foundation/file_io.h"
#include "foundation/text_codec.h"
#include "foundation/xml_markup_parser.h"

#include <string>

namespace zelvon {

bool XmlDocument::load(std::u16string_view path) {
    std::string bytes;
    // A file that cannot be read leaves the current tree alone.
    if (!readFileBytes(path, bytes))
        return false;
    // No byte-order-mark handling: a UTF-8 mark reads as U+FEFF before the
    // first tag, where the scanner passes over it like any other text.
    return parse(decodeFileText(bytes));
}

bool XmlDocument::parse(std::u16string_view text) {
    return parseMarkup(text, kXmlRules, root_);
}

} // namespace zelvon
