#include "foundation/script_xml_document.h"

#include "foundation/xml_markup_parser.h"

namespace zelvon {

bool ScriptXmlDocument::parse(std::u16string_view text) {
    return parseMarkup(text, kScriptRules, root_);
}

} // namespace zelvon
