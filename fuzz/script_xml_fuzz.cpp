// The stricter reader of extraction scripts, against the plain reference
// scan.
#include "markup_check.h"

#include "foundation/script_xml_document.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    zelvon::fuzz::checkMarkupReader<zelvon::ScriptXmlDocument>(zelvon::fuzz::bytesOf(data, size),
                                                               zelvon::kScriptRules);
    return 0;
}
