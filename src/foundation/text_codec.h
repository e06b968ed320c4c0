#pragma once
// Conversions between the in-memory text (UTF-16) and the byte forms the
// program meets on disk and on the wire: UTF-8 and Windows-1252, which
// stands in for the device's 8-bit ("ANSI") code page.

#include <string>
#include <string_view>

namespace zelvon {

// UTF-16 to UTF-8. Unpaired surrogates become U+FFFD.
std::string toUtf8(std::u16string_view text);

// UTF-8 to UTF-16, lenient: invalid sequences become U+FFFD.
std::u16string fromUtf8(std::string_view bytes);

// Strict UTF-8 decoding: false (and `out` unspecified) when the bytes are not
// well-formed UTF-8 (overlong forms, surrogates and values past U+10FFFF
// included).
bool decodeUtf8Strict(std::string_view bytes, std::u16string& out);

// Strict UTF-8 decoding of a text that arrives in pieces: appends the
// characters of every complete sequence in `bytes` to `out` and returns how
// many bytes they took; a sequence cut off by the end of `bytes` is left for
// the next piece. False when a sequence is malformed.
bool decodeUtf8Piece(std::string_view bytes, std::u16string& out, size_t& used);

// Windows-1252 with all 256 bytes mapped: the five bytes the code page leaves
// undefined map to the C1 controls of the same value.
std::u16string fromCp1252(std::string_view bytes);
void appendCp1252(std::string_view bytes, std::u16string& out);

// Encodes into Windows-1252. Returns false when some character has no byte
// in the code page (`out` then holds '?' in its place).
bool toCp1252(std::u16string_view text, std::string& out);

// How every text file is read: UTF-8 when the bytes are valid UTF-8 and
// yield at least one character, otherwise Windows-1252. Empty bytes give
// empty text.
std::u16string decodeFileText(std::string_view bytes);

// How every text file is written: Windows-1252 when every character fits,
// otherwise the whole text as UTF-8 (no byte-order mark), so nothing is lost.
std::string encodeFileText(std::u16string_view text);

// Shorthand for building UTF-16 text from ASCII/UTF-8 literals and
// std::strings, mostly for tests and messages.
inline std::u16string u16(std::string_view utf8) { return fromUtf8(utf8); }

} // namespace zelvon
