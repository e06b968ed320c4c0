#pragma once
// Reading the transformer output files of the adding and store-list flows:
// an element `root` whose children carry a product's fields as attributes.

#include "watch/product_record.h"

#include <functional>
#include <string_view>

namespace zelvon {

struct XmlNode;

// Calls `visit` for each child of `root` named `childName`, in document
// order. False when the file does not parse or has no `root`.
bool forEachOutputChild(std::u16string_view outputPath, std::u16string_view childName,
                        const std::function<void(const XmlNode&)>& visit);

// The attribute `name` of `node` with the short decoder applied; empty when
// it is missing.
std::u16string outputField(const XmlNode& node, std::u16string_view name);

// Sets productName, productCompany, productVersion, productDate and
// productDescription from the attributes of the same names.
void readProductFields(const XmlNode& node, ProductRecord& record);

} // namespace zelvon
