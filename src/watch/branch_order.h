#pragma once
// The order in which the watch-list branch shows its products, and so the
// order of a check over the whole list: by name, as the user's locale
// collates text (ICU), ignoring case; equal names keep their list order.

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include <unicode/uversion.h>

U_NAMESPACE_BEGIN
class Collator;
U_NAMESPACE_END

namespace zelvon {

class WatchList;

// A case-insensitive collation of one locale. Accents, symbols and letters
// such as Æ or Ł go where that locale puts them; case alone never orders.
class NameOrder {
public:
    // `localeName` as in the environment ("en_US.UTF-8", "da_DK", "C");
    // "C", "POSIX" and an empty name use the language-neutral order.
    explicit NameOrder(std::string_view localeName);
    ~NameOrder();
    NameOrder(NameOrder&&) noexcept;
    NameOrder& operator=(NameOrder&&) noexcept;

    // Negative, zero or positive like a three-way comparison.
    int compare(std::u16string_view a, std::u16string_view b) const;
    // The ICU locale in use, for messages and tests ("da_DK", "" for root).
    const std::string& localeId() const { return localeId_; }

private:
    std::unique_ptr<icu::Collator> collator_;
    std::string localeId_;
};

// The locale the user collates by: LC_ALL, else LC_COLLATE, else LANG.
std::string collationLocaleName();

// Compares names by the user's current collation locale (rebuilt when the
// environment names another one).
int compareNames(std::u16string_view a, std::u16string_view b);

// Indexes of the records that are not removed, sorted by productName with
// `order` (by default the user's); equal names keep their list order.
std::vector<size_t> watchBranchOrder(const WatchList& list);
std::vector<size_t> watchBranchOrder(const WatchList& list, const NameOrder& order);

} // namespace zelvon
