#pragma once
// The demo store's products and the views its pages need. Requests are
// served on several threads while an admin request may publish a new
// version, so every method works on a locked copy.

#include "store_product.h"

#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zelvon::demo {

class StoreCatalogue {
public:
    StoreCatalogue();
    explicit StoreCatalogue(std::vector<Product> products);

    std::optional<Product> find(std::string_view id) const;
    // Every product, ordered by ID.
    std::vector<Product> all() const;
    // Products whose name holds every word (ASCII letters compared without
    // regard to case), ordered by name. No words, no matches.
    std::vector<Product> search(std::string_view words) const;
    // The latest releases, newest first.
    std::vector<Product> whatsNew(size_t count = 12) const;
    // Ranked products, best first.
    std::vector<Product> bestSelling(size_t count = 10) const;
    std::vector<Product> inCategory(std::string_view slug) const;
    std::vector<Product> byCompany(std::string_view company) const;

    enum class PublishResult { Published, UnknownProduct, InvalidVersion };
    // Makes `version` (or, when empty, the next version after the current
    // one) the product's current release, dated `date`.
    PublishResult publish(std::string_view id, std::string_view version, std::string_view date, Product* published = nullptr);

private:
    mutable std::mutex mutex_;
    std::vector<Product> products_;
    int publications_ = 0;
};

// "2.4.1" gives "2.4.2", "1.0 beta" gives "1.1 beta", "Lite" gives "Lite.1".
std::string nextVersion(std::string_view version);

// A version an admin may publish: 1 to 24 characters of letters, digits,
// dots, dashes, blanks and underscores.
bool isAcceptableVersion(std::string_view version);

// "03/14/2005" as the number 20050314 (0 when it is not such a date), so
// dates sort.
int dateSortKey(std::string_view date);

// Today's local date as the store shows dates.
std::string todayAsStoreDate();

} // namespace zelvon::demo
