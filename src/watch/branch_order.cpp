#include "watch/branch_order.h"

#include "watch/watch_list.h"

#include <unicode/coll.h>
#include <unicode/locid.h>

#include <algorithm>
#include <cstdlib>
#include <mutex>

namespace zelvon {
namespace {

// "de_DE.UTF-8@euro" → "de_DE"; the C locale has no language of its own,
// and ICU's en_US_POSIX would order by code point, capitals first.
std::string icuLocaleId(std::string_view name) {
    const size_t end = name.find_first_of(".@");
    std::string id(name.substr(0, end));
    if (id == "C" || id == "POSIX")
        id.clear();
    return id;
}

std::unique_ptr<icu::Collator> makeCollator(const std::string& localeId) {
    UErrorCode status = U_ZERO_ERROR;
    const icu::Locale locale = localeId.empty() ? icu::Locale::getRoot() : icu::Locale(localeId.c_str());
    std::unique_ptr<icu::Collator> collator(icu::Collator::createInstance(locale, status));
    if (U_FAILURE(status) || !collator) {
        // ICU's own data is part of the library; should it still fail, the
        // root order is better than none.
        status = U_ZERO_ERROR;
        collator.reset(icu::Collator::createInstance(icu::Locale::getRoot(), status));
    }
    if (collator) {
        // Secondary strength: base letters and accents order, case does not.
        collator->setStrength(icu::Collator::SECONDARY);
    }
    return collator;
}

} // namespace

NameOrder::NameOrder(std::string_view localeName)
    : collator_(makeCollator(icuLocaleId(localeName))), localeId_(icuLocaleId(localeName)) {}
NameOrder::~NameOrder() = default;
NameOrder::NameOrder(NameOrder&&) noexcept = default;
NameOrder& NameOrder::operator=(NameOrder&&) noexcept = default;

int NameOrder::compare(std::u16string_view a, std::u16string_view b) const {
    if (!collator_)
        return a.compare(b) < 0 ? -1 : (a == b ? 0 : 1);
    UErrorCode status = U_ZERO_ERROR;
    const UCollationResult result =
        collator_->compare(a.data(), static_cast<int32_t>(a.size()), b.data(), static_cast<int32_t>(b.size()), status);
    if (U_FAILURE(status))
        return 0;
    return result == UCOL_LESS ? -1 : (result == UCOL_GREATER ? 1 : 0);
}

std::string collationLocaleName() {
    for (const char* variable : {"LC_ALL", "LC_COLLATE", "LANG"})
        if (const char* value = std::getenv(variable); value != nullptr && *value != '\0')
            return value;
    return {};
}

namespace {

// The user's order, built once per locale name: building a collator costs
// far more than a comparison.
const NameOrder& userOrder(std::unique_lock<std::mutex>& hold) {
    static std::mutex mutex;
    static std::unique_ptr<NameOrder> order;
    static std::string builtFor;
    hold = std::unique_lock<std::mutex>(mutex);
    const std::string name = collationLocaleName();
    if (!order || name != builtFor) {
        order = std::make_unique<NameOrder>(name);
        builtFor = name;
    }
    return *order;
}

} // namespace

int compareNames(std::u16string_view a, std::u16string_view b) {
    std::unique_lock<std::mutex> hold;
    return userOrder(hold).compare(a, b);
}

std::vector<size_t> watchBranchOrder(const WatchList& list) {
    std::unique_lock<std::mutex> hold;
    return watchBranchOrder(list, userOrder(hold));
}

std::vector<size_t> watchBranchOrder(const WatchList& list, const NameOrder& nameOrder) {
    std::vector<size_t> order;
    const auto& records = list.records();
    for (size_t i = 0; i < records.size(); ++i)
        if (records[i].removed == 0)
            order.push_back(i);
    std::stable_sort(order.begin(), order.end(), [&records, &nameOrder](size_t x, size_t y) {
        return nameOrder.compare(records[x].productName, records[y].productName) < 0;
    });
    return order;
}

} // namespace zelvon
