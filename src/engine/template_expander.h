#pragma once
// Expands the template of a CUSTOM transformer: text with "[vex:" ... ":vex]"
// tags filled from the entries of the transformer's named runners, and loop
// tags that repeat their body once per record.

#include "engine/transformer.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace zelvon {

inline constexpr std::u16string_view kMissingEndLoopMessage =
    u"Error: Transformation script is missing matching [vex:EndLoop:vex].\n";
inline constexpr std::u16string_view kOutputTooLargeMessage = u"Error: Transformation output is too large.\n";

// Nested loops multiply their records; past this many characters the output
// is cut off with an error instead of exhausting memory.
inline constexpr size_t kMaxTemplateOutput = size_t{16} * 1024 * 1024;

struct TemplateExpansion {
    std::u16string text; // everything produced, also up to an error
    bool success = true;
};

// The same output in pieces of about a megabyte, in order, for writing a
// large output without ever holding it joined.
struct PiecewiseExpansion {
    std::vector<std::u16string> pieces;
    bool success = true;
};

// Messages are appended to `errorText`; the runners are only read.
PiecewiseExpansion expandTemplateInPieces(std::u16string_view templateText, const std::vector<NamedRunner>& runners,
                                          std::u16string& errorText);
TemplateExpansion expandTemplate(std::u16string_view templateText, const std::vector<NamedRunner>& runners,
                                 std::u16string& errorText);

} // namespace zelvon
