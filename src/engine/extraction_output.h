#pragma once
// The two text forms of an entry list: kelpo XML, with one `record` element
// per loop pass, and tilde lines, one "name~depth~value" line per value.

#include "engine/extracted_entry.h"

#include <string>
#include <vector>

namespace zelvon {

// "<kelpo>\n", then per entry: a change of depth opens or closes one
// `record` per level crossed (indented four blanks per level), a value
// becomes "<item name='..' value='..'/>" one level deeper, markers write
// nothing of their own; then "</kelpo>\n". Names and values go through the
// markup escape, which leaves the ampersand alone.
std::u16string kelpoTextOf(const ExtractedEntries& entries);

// "name~depth~value\n" for every entry but the pass markers; nothing escaped.
std::u16string tildeTextOf(const ExtractedEntries& entries);

} // namespace zelvon
