#pragma once
// One product as the watch list and the two store lists keep it. The field
// order is the order of the list file's attributes and of field-by-field
// copies; the record itself knows nothing of trees, icons or panes.

#include <cstdint>
#include <string>

namespace zelvon {

struct ProductRecord {
    std::u16string productURL;
    std::u16string productID;
    std::u16string productName;
    std::u16string productCompany;
    std::u16string productVersion;
    std::u16string productDate;         // as the store shows it; never parsed
    std::u16string productDescription;
    std::u16string previousVersion;     // the version the user has acknowledged
    std::u16string lastReload;          // "MM/DD/YYYY HH:MM", local time
    // A fresh record counts as new: store-list entries are made from fresh
    // records and must show as new.
    int32_t isNew = 1;
    int32_t keepNew = 0;   // marked new by hand: exempt from the expiry
    int32_t removed = 0;   // in memory only; never written to a file
    int32_t groupType = 0; // kept as read

    bool operator==(const ProductRecord&) const = default;
};

} // namespace zelvon
