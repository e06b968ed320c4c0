#pragma once
// One product of the Wareloft demo store. Names and companies are plain
// UTF-8 text (the pages escape them); summaries and release notes are HTML
// fragments, the way a store's editors write them.

#include <string>
#include <vector>

namespace zelvon::demo {

struct Release {
    std::string version;
    std::string date; // MM/DD/YYYY, as the store shows it
    std::string notes; // HTML fragment
};

struct Product {
    std::string id;
    std::string name;
    std::string company;
    std::string category; // slug, see storeCategories()
    int priceCents = 0; // 0 is a free product
    int ratingTenths = 0; // 43 shows as 4.3 of 5
    int reviews = 0;
    int sizeKb = 0;
    int salesRank = 0; // 1 is the best seller; 0 is not ranked
    bool legacyPage = false; // detail page served in Windows-1252
    std::string summary; // inline HTML, no block elements
    std::vector<Release> releases; // newest first; never empty
    int updateSequence = 0; // order of publications made while running

    const std::string& version() const { return releases.front().version; }
    const std::string& date() const { return releases.front().date; }
};

struct Category {
    std::string slug;
    std::string title;
};

const std::vector<Category>& storeCategories();

// The catalogue the store starts with: about sixty products.
std::vector<Product> seedProducts();

} // namespace zelvon::demo
