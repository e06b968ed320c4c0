#pragma once
// The store's HTML pages. Each renderer returns the page as UTF-8 text and
// the charset it is to be served in; the routes encode it.

#include "html_text.h"
#include "store_product.h"

#include <string>
#include <string_view>
#include <vector>

namespace zelvon::demo {

struct Page {
    std::string html; // UTF-8
    PageCharset charset = PageCharset::Utf8;
};

// Paths of the store's pages; a product page is kProductPath + "?pid=" + ID.
inline constexpr const char* kProductPath = "/store/product";
inline constexpr const char* kSearchPath = "/store/search";
inline constexpr const char* kWhatsNewPath = "/store/whatsnew";
inline constexpr const char* kBestSellingPath = "/store/bestselling";
inline constexpr const char* kCategoryPath = "/store/category";
inline constexpr const char* kPublisherPath = "/store/publisher";

Page renderHome(const std::vector<Product>& featured, const std::vector<Product>& latest);
// Products from the store's older part are served in Windows-1252.
Page renderProduct(const Product& product);
Page renderSearch(std::string_view query, const std::vector<Product>& hits);
Page renderWhatsNew(const std::vector<Product>& latest);
// Served in Windows-1252, like the rest of the store's older part.
Page renderBestSelling(const std::vector<Product>& ranked, std::string_view weekEnding);
Page renderCategory(const Category& category, const std::vector<Product>& products);
Page renderPublisher(std::string_view company, const std::vector<Product>& products);
Page renderNotFound(std::string_view message);

// "$19.95", or "Free".
std::string formatPrice(int cents);

} // namespace zelvon::demo
