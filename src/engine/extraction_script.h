#pragma once
// Reading an extraction script: its items in document order, the page it
// names, and the pairing of loop starts with loop ends.

#include "engine/extraction_runner.h"

#include <string>
#include <string_view>
#include <vector>

namespace zelvon {

inline constexpr std::u16string_view kActionMoveTo = u"[MoveTo]";
inline constexpr std::u16string_view kActionExtract = u"[Extract]";
inline constexpr std::u16string_view kActionStartLoop = u"[StartLoop]";
inline constexpr std::u16string_view kActionEndLoop = u"[EndLoop]";

struct ExtractionScript {
    std::vector<ScriptItem> items;
    // From the last `source` element.
    std::u16string sourceUrl;
    std::u16string cacheName;
};

// Text that does not parse, or whose root is not `extraction`, yields an
// empty script. Attribute values come back unescaped.
ExtractionScript readExtractionScript(std::u16string_view text);

// One span per "[EndLoop]", in the order the ends occur (an inner loop
// before the loop around it). An end without an open start, or starts left
// open, append their message to `errorText` and answer false.
bool pairLoops(const std::vector<ScriptItem>& items, std::vector<LoopSpan>& loops, std::u16string& errorText);

} // namespace zelvon
