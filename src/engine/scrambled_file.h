#pragma once
// Engine files may be stored scrambled: the magic "ENCMARLO" followed by the
// content with every whole 8-byte block enciphered with Blowfish (ECB, a
// fixed key built at run time) and the last length % 8 bytes stored as they
// are.

#include <string>
#include <string_view>

namespace zelvon::ScrambledFile {

inline constexpr std::string_view kMagic = "ENCMARLO";

// True when `bytes` (a whole file) carry the scrambled layout: the magic
// and at least one byte after it. Such a file must not be scrambled again.
bool isScrambled(std::string_view bytes);

// The file's content, deciphered when it carries the magic and is longer
// than eight bytes, otherwise as it is. False when it cannot be opened.
bool read(std::u16string_view path, std::string& content);

// Enciphers `source` into `destination` (empty: `source` itself, in place).
// An empty source succeeds and stays unchanged. On failure the source stays
// as it was.
bool scramble(std::u16string_view source, std::u16string_view destination);

// The byte-level transforms behind the two operations.
// scrambleBytes gives the whole scrambled layout (magic included); empty
// input stays empty, as an empty file is left alone.
std::string scrambleBytes(std::string_view plain);
// unscrambleBytes takes a file's bytes and gives what `read` yields: the
// deciphered content, or the bytes unchanged when they are not scrambled.
std::string unscrambleBytes(std::string_view scrambled);

} // namespace zelvon::ScrambledFile
