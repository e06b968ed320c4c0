#pragma once

#include <string>

namespace zelvon {

// Name reserved for the marker that closes one pass through a loop.
inline constexpr std::u16string_view kDepthCountName = u"::depthcount::";

struct ExtractedEntry {
    std::u16string name;
    std::u16string value;
    int depth = 0;
};

} // namespace zelvon
