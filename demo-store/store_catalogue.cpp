#include "store_catalogue.h"

#include <algorithm>
#include <cctype>
#include <ctime>

namespace zelvon::demo {
namespace {

char asciiLower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

std::string asciiLowered(std::string_view text) {
    std::string out(text);
    std::transform(out.begin(), out.end(), out.begin(), asciiLower);
    return out;
}

// The query arrives decoded: a "+" of the address is a blank by now, so a
// "+" still in the text was typed ("C++") and is part of a word.
std::vector<std::string> splitWords(std::string_view text) {
    std::vector<std::string> words;
    std::string current;
    for (char c : text) {
        if (c == ' ' || c == '\t') {
            if (!current.empty())
                words.push_back(std::move(current));
            current.clear();
        } else {
            current += c;
        }
    }
    if (!current.empty())
        words.push_back(std::move(current));
    return words;
}

bool byNameIgnoringCase(const Product& a, const Product& b) {
    const std::string la = asciiLowered(a.name);
    const std::string lb = asciiLowered(b.name);
    return la != lb ? la < lb : a.id < b.id;
}

} // namespace

StoreCatalogue::StoreCatalogue() : StoreCatalogue(seedProducts()) {}

StoreCatalogue::StoreCatalogue(std::vector<Product> products) : products_(std::move(products)) {
    std::sort(products_.begin(), products_.end(), [](const Product& a, const Product& b) { return a.id < b.id; });
}

std::optional<Product> StoreCatalogue::find(std::string_view id) const {
    std::lock_guard lock(mutex_);
    for (const Product& p : products_)
        if (p.id == id)
            return p;
    return std::nullopt;
}

std::vector<Product> StoreCatalogue::all() const {
    std::lock_guard lock(mutex_);
    return products_;
}

std::vector<Product> StoreCatalogue::search(std::string_view words) const {
    const std::vector<std::string> wanted = splitWords(asciiLowered(words));
    std::vector<Product> hits;
    if (wanted.empty())
        return hits;
    {
        std::lock_guard lock(mutex_);
        for (const Product& p : products_) {
            const std::string name = asciiLowered(p.name);
            const bool all = std::all_of(wanted.begin(), wanted.end(),
                                         [&](const std::string& w) { return name.find(w) != std::string::npos; });
            if (all)
                hits.push_back(p);
        }
    }
    std::sort(hits.begin(), hits.end(), byNameIgnoringCase);
    return hits;
}

std::vector<Product> StoreCatalogue::whatsNew(size_t count) const {
    std::vector<Product> list = all();
    // A publication made while running beats any seed date of the same day.
    std::stable_sort(list.begin(), list.end(), [](const Product& a, const Product& b) {
        const int ka = dateSortKey(a.date());
        const int kb = dateSortKey(b.date());
        if (ka != kb)
            return ka > kb;
        return a.updateSequence > b.updateSequence;
    });
    if (list.size() > count)
        list.resize(count);
    return list;
}

std::vector<Product> StoreCatalogue::bestSelling(size_t count) const {
    std::vector<Product> list;
    for (Product& p : all())
        if (p.salesRank > 0)
            list.push_back(std::move(p));
    std::sort(list.begin(), list.end(), [](const Product& a, const Product& b) { return a.salesRank < b.salesRank; });
    if (list.size() > count)
        list.resize(count);
    return list;
}

std::vector<Product> StoreCatalogue::inCategory(std::string_view slug) const {
    std::vector<Product> list;
    for (Product& p : all())
        if (p.category == slug)
            list.push_back(std::move(p));
    std::sort(list.begin(), list.end(), byNameIgnoringCase);
    return list;
}

std::vector<Product> StoreCatalogue::byCompany(std::string_view company) const {
    std::vector<Product> list;
    for (Product& p : all())
        if (p.company == company)
            list.push_back(std::move(p));
    std::sort(list.begin(), list.end(), byNameIgnoringCase);
    return list;
}

StoreCatalogue::PublishResult StoreCatalogue::publish(std::string_view id, std::string_view version, std::string_view date,
                                                      Product* published) {
    std::lock_guard lock(mutex_);
    auto it = std::find_if(products_.begin(), products_.end(), [&](const Product& p) { return p.id == id; });
    if (it == products_.end())
        return PublishResult::UnknownProduct;
    const std::string newVersion = version.empty() ? nextVersion(it->version()) : std::string(version);
    if (!isAcceptableVersion(newVersion))
        return PublishResult::InvalidVersion;
    it->releases.insert(it->releases.begin(), Release{newVersion, std::string(date), "Maintenance release."});
    it->updateSequence = ++publications_;
    if (published)
        *published = *it;
    return PublishResult::Published;
}

std::string nextVersion(std::string_view version) {
    std::string v(version);
    size_t end = v.size();
    while (end > 0 && !std::isdigit(static_cast<unsigned char>(v[end - 1])))
        --end;
    if (end == 0)
        return v + ".1";
    size_t begin = end;
    while (begin > 0 && std::isdigit(static_cast<unsigned char>(v[begin - 1])))
        --begin;
    // Increment the digit run as text, so long runs cannot overflow.
    std::string digits = v.substr(begin, end - begin);
    size_t i = digits.size();
    while (i > 0 && digits[i - 1] == '9') {
        digits[i - 1] = '0';
        --i;
    }
    if (i == 0)
        digits.insert(digits.begin(), '1');
    else
        ++digits[i - 1];
    return v.substr(0, begin) + digits + v.substr(end);
}

bool isAcceptableVersion(std::string_view version) {
    if (version.empty() || version.size() > 24)
        return false;
    return std::all_of(version.begin(), version.end(), [](char c) {
        return std::isalnum(static_cast<unsigned char>(c)) || c == '.' || c == '-' || c == ' ' || c == '_';
    });
}

int dateSortKey(std::string_view date) {
    if (date.size() != 10 || date[2] != '/' || date[5] != '/')
        return 0;
    int key = 0;
    for (size_t i : {6u, 7u, 8u, 9u, 0u, 1u, 3u, 4u}) {
        if (!std::isdigit(static_cast<unsigned char>(date[i])))
            return 0;
        key = key * 10 + (date[i] - '0');
    }
    return key;
}

std::string todayAsStoreDate() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char text[16];
    std::strftime(text, sizeof text, "%m/%d/%Y", &local);
    return text;
}

} // namespace zelvon::demo
