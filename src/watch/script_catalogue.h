#pragma once
// The store pages the program reads and the transformer script for each,
// from appFolder + "/scripts/scripts.txt". The file ships with the
// application's data, so the store's addresses and page layouts can change
// without a new program.

#include <string>
#include <string_view>

namespace zelvon {

inline constexpr std::u16string_view kLoadErrorCaption = u"Load Error";

struct CatalogueEntry {
    std::u16string url; // page URL, or prefix for detail and name-search pages
    std::u16string nrt; // transformer script file name under "/scripts/"
};

class ScriptCatalogue {
public:
    enum class LoadStatus { Loaded, Missing, Corrupt };

    static std::u16string filePath(std::u16string_view appFolder);

    // Reads the catalogue below `appFolder`. Every entry starts out empty;
    // an entry missing from the file stays empty.
    LoadStatus load(std::u16string_view appFolder);

    // After a failed load, the text of the "Load Error" message naming the
    // catalogue's full path; empty otherwise.
    const std::u16string& loadErrorText() const { return loadErrorText_; }

    const CatalogueEntry& productDetail() const { return productDetail_; }
    const CatalogueEntry& nameSearch() const { return nameSearch_; }
    const CatalogueEntry& whatsNew() const { return whatsNew_; }
    const CatalogueEntry& bestSelling() const { return bestSelling_; }

    // appFolder + "/scripts/" + nrt, with nothing added between.
    std::u16string scriptPath(const CatalogueEntry& entry) const;
    // The productDetail prefix followed directly by the ID; also the value
    // stored as a product's productURL.
    std::u16string detailUrl(std::u16string_view productId) const;
    // The nameSearch prefix followed by the name with every blank turned
    // into "+" and every other character that is not unreserved in a URL
    // percent-encoded as UTF-8 (upper-case hex); plain words are unchanged.
    std::u16string searchUrl(std::u16string_view name) const;

private:
    std::u16string appFolder_;
    std::u16string loadErrorText_;
    CatalogueEntry productDetail_;
    CatalogueEntry nameSearch_;
    CatalogueEntry whatsNew_;
    CatalogueEntry bestSelling_;
};

} // namespace zelvon
