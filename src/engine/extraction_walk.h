#pragma once
// The walk of one page: a single cursor that only moves forward, items that
// move to or cut up to their token, and loops that repeat a group of items
// once per record until a token lies beyond the loop's end marker.

#include "engine/extracted_entry.h"
#include "engine/extraction_runner.h"

#include <string>
#include <string_view>
#include <vector>

namespace zelvon {

// The text between `from` and `to`, trimmed of white space at both ends,
// with each tab widened to four blanks and each line break (CR LF or a lone
// LF) turned into one blank. A lone CR stays.
std::u16string cutText(std::u16string_view page, size_t from, size_t to);
// The same text, written into `entries`' own blocks.
std::u16string_view cutTextInto(std::u16string_view page, size_t from, size_t to, ExtractedEntries& entries);

// Walks `page` with `items` and the `loops` that pairLoops made of them,
// appending what it cuts out to `entries`. On failure the message goes to
// the end of `errorText` and the answer is false; entries recorded before
// the failure stay.
bool walkPage(std::u16string_view page, const std::vector<ScriptItem>& items, const std::vector<LoopSpan>& loops,
              ExtractedEntries& entries, std::u16string& errorText);

} // namespace zelvon
