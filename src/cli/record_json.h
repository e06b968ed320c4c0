#pragma once
// Product records as the command line shows them to scripts: one JSON
// object per record, the same for the watch list and the store lists.

#include "watch/product_record.h"

#include <nlohmann/json.hpp>

#include <cstddef>
#include <string>

namespace zelvon::cli {

nlohmann::json recordJson(size_t index, const ProductRecord& record);

// A record index given on the command line: decimal digits only, so
// "3x" or "-1" is refused instead of read as 3 or 0.
bool parseIndex(const std::string& text, size_t& index);

} // namespace zelvon::cli
