// The tolerant reader of list files, catalogues, engine results and update
// documents, against the plain reference scan.
#include "markup_check.h"

#include "foundation/xml_document.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    zelvon::fuzz::checkMarkupReader<zelvon::XmlDocument>(zelvon::fuzz::bytesOf(data, size), zelvon::kXmlRules);
    return 0;
}
