// Entity encoding and decoding: the decoder against the plain reference
// scan, both escape pairs as round trips, and decoding that never grows.
#include "fuzz_support.h"
#include "support/markup_reference.h"

#include "foundation/entity_codec.h"

using namespace zelvon;
using fuzz::require;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view bytes = fuzz::bytesOf(data, size);
    // The text as a file would yield it, and every code unit as it comes.
    for (const std::u16string& text : {decodeFileText(bytes), fuzz::unitsOf(bytes)}) {
        const std::u16string decoded = EntityCodec::decodeEntities(text);
        require(decoded == test::referenceDecode(text), "decoding matches the reference scan", toUtf8(text));
        // No reference is shorter than what it stands for.
        require(decoded.size() <= text.size(), "decoding never makes the text longer", toUtf8(text));
        require(EntityCodec::decodeEntities(EntityCodec::escapeXml(text)) == text,
                "the list-file escape decodes back to the text", toUtf8(text));

        const std::u16string markup = EntityCodec::escapeMarkup(text);
        require(markup.find_first_of(u"<>'\"") == std::u16string::npos, "the markup escape leaves no markup character",
                toUtf8(text));
        // The markup pair leaves the ampersand alone, so only text without
        // one must come back whole.
        if (text.find(u'&') == std::u16string::npos)
            require(EntityCodec::unescapeMarkup(markup) == text, "the markup escape unescapes back to the text",
                    toUtf8(text));
        require(EntityCodec::unescapeMarkup(text).size() <= text.size(), "unescaping never makes the text longer",
                toUtf8(text));
    }
    return 0;
}
