// The watch-list branch order: the user's locale collation, case ignored,
// equal names in list order, removed records left out.

#include "watch/branch_order.h"
#include "watch/watch_list.h"

#include <gtest/gtest.h>


namespace zelvon {
namespace {

const std::vector<std::u16string> kNames = {
    u"Zoë's Garden Planner",  u"Łódź Transit", u"€uro Pocket Converter", u"Ærø Ferry Times", u"lumen Reader",
    u"Abacus", u"LUMEN READER", u"Adder", u"Mileage Log", u"Echo Notes", u"éclair Timer", u"Removed Product"};

WatchList listOf(const std::vector<std::u16string>& names) {
    WatchList list;
    for (const std::u16string& name : names) {
        ProductRecord record;
        record.productName = name;
        list.append(record);
    }
    return list;
}

std::vector<std::u16string> namesInOrder(const WatchList& list, const std::vector<size_t>& order) {
    std::vector<std::u16string> names;
    for (size_t index : order)
        names.push_back(list.records()[index].productName);
    return names;
}

TEST(BranchOrder, FollowsTheLocaleCollation) {
    // The symbol first; Æ as "AE" in English but after Z in Danish; Ł as a
    // kind of L in both, but a letter of its own after L in Polish;
    // "lumen Reader" and "LUMEN READER" tie and keep list order.
    const std::vector<std::u16string> english = {
        u"€uro Pocket Converter", u"Abacus", u"Adder", u"Ærø Ferry Times", u"Echo Notes", u"éclair Timer",
        u"Łódź Transit", u"lumen Reader", u"LUMEN READER", u"Mileage Log", u"Zoë's Garden Planner"};
    const struct {
        const char* locale;
        std::vector<std::u16string> expected;
    } cases[] = {
        {"en_US.UTF-8", english},
        {"C", english},
        {"da_DK.UTF-8",
         {u"€uro Pocket Converter", u"Abacus", u"Adder", u"Echo Notes", u"éclair Timer", u"Łódź Transit",
          u"lumen Reader", u"LUMEN READER", u"Mileage Log", u"Zoë's Garden Planner", u"Ærø Ferry Times"}},
        {"pl_PL.UTF-8",
         {u"€uro Pocket Converter", u"Abacus", u"Adder", u"Ærø Ferry Times", u"Echo Notes", u"éclair Timer",
          u"lumen Reader", u"LUMEN READER", u"Łódź Transit", u"Mileage Log", u"Zoë's Garden Planner"}},
    };
    WatchList list = listOf(kNames);
    list.markRemoved(kNames.size() - 1);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.locale);
        const NameOrder order(c.locale);
        EXPECT_EQ(namesInOrder(list, watchBranchOrder(list, order)), c.expected);
        EXPECT_EQ(order.compare(u"Beta", u"bETA"), 0);
        EXPECT_LT(order.compare(u"ab", u"ABC"), 0);
        EXPECT_GT(order.compare(u"b", u"A"), 0);
    }
}

} // namespace
} // namespace zelvon
