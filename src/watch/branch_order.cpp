#include "watch/branch_order.h"

#include "watch/watch_list.h"

#include <algorithm>

namespace zelvon {
namespace {

char16_t foldCase(char16_t c) {
    if (c >= u'A' && c <= u'Z')
        return static_cast<char16_t>(c + 0x20);
    // Latin-1 capitals À..Þ, except the multiplication sign.
    if (c >= 0xC0 && c <= 0xDE && c != 0xD7)
        return static_cast<char16_t>(c + 0x20);
    return c;
}

} // namespace

int compareIgnoringCase(std::u16string_view a, std::u16string_view b) {
    const size_t common = std::min(a.size(), b.size());
    for (size_t i = 0; i < common; ++i) {
        const char16_t x = foldCase(a[i]);
        const char16_t y = foldCase(b[i]);
        if (x != y)
            return x < y ? -1 : 1;
    }
    if (a.size() == b.size())
        return 0;
    return a.size() < b.size() ? -1 : 1;
}

std::vector<size_t> watchBranchOrder(const WatchList& list) {
    std::vector<size_t> order;
    const auto& records = list.records();
    for (size_t i = 0; i < records.size(); ++i)
        if (records[i].removed == 0)
            order.push_back(i);
    std::stable_sort(order.begin(), order.end(), [&records](size_t x, size_t y) {
        return compareIgnoringCase(records[x].productName, records[y].productName) < 0;
    });
    return order;
}

} // namespace zelvon
