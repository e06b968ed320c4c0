#include "cli/record_json.h"

#include "foundation/text_codec.h"

namespace zelvon::cli {

nlohmann::json recordJson(size_t index, const ProductRecord& r) {
    return nlohmann::json{
        {"index", index},
        {"productURL", toUtf8(r.productURL)},
        {"productID", toUtf8(r.productID)},
        {"productName", toUtf8(r.productName)},
        {"productCompany", toUtf8(r.productCompany)},
        {"productVersion", toUtf8(r.productVersion)},
        {"productDate", toUtf8(r.productDate)},
        {"productDescription", toUtf8(r.productDescription)},
        {"previousVersion", toUtf8(r.previousVersion)},
        {"lastReload", toUtf8(r.lastReload)},
        {"isNew", r.isNew},
        {"keepNew", r.keepNew},
        {"removed", r.removed},
        {"groupType", r.groupType},
    };
}

bool parseIndex(const std::string& text, size_t& index) {
    if (text.empty() || text.size() > 9)
        return false;
    index = 0;
    for (const char c : text) {
        if (c < '0' || c > '9')
            return false;
        index = index * 10 + static_cast<size_t>(c - '0');
    }
    return true;
}

} // namespace zelvon::cli
