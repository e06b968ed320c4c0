#pragma once
// Escaping and unescaping of markup characters. The full pair (escapeXml,
// decodeEntities) serves the list files and plain-text conversion; the
// markup pair (escapeMarkup, unescapeMarkup) serves the engine's files and
// leaves the ampersand alone.

#include <string>
#include <string_view>

namespace zelvon::EntityCodec {

std::u16string escapeXml(std::u16string_view text);
std::u16string escapeMarkup(std::u16string_view text);
std::u16string unescapeMarkup(std::u16string_view text);
std::u16string decodeEntities(std::u16string_view text);

} // namespace zelvon::EntityCodec
