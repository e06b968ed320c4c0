#include "store_pages.h"

#include <cstdio>

namespace zelvon::demo {
namespace {

const char* kStyle =
    "body { font-family: Verdana, Arial, sans-serif; font-size: 13px; margin: 0; background: #f3f5f7; color: #222; }\n"
    "a { color: #1d4e89; }\n"
    "#top { background: #1d4e89; color: #fff; padding: 10px 16px; }\n"
    "#top .logo { color: #fff; font-size: 22px; font-weight: bold; text-decoration: none; }\n"
    "#top .tagline { font-style: italic; margin-left: 8px; }\n"
    "#top form { float: right; margin: 0; }\n"
    "#nav { list-style: none; margin: 0; padding: 6px 16px; background: #dfe7f0; }\n"
    "#nav li { display: inline; margin-right: 14px; }\n"
    "#content { background: #fff; margin: 12px 16px; padding: 12px 18px; border: 1px solid #cfd8e2; }\n"
    "#footer { margin: 0 16px 16px; font-size: 11px; color: #667; }\n"
    "table.facts th { text-align: left; padding-right: 12px; color: #556; }\n"
    "table.results, table.listing, table.history, table.products { border-collapse: collapse; width: 100%; }\n"
    "table.results th, table.listing th, table.history th, table.products th { background: #eef2f6; text-align: left; }\n"
    "table.results td, table.listing td, table.history td, table.products td { padding: 3px 6px; border-bottom: 1px solid #e4e8ec; }\n"
    ".price { font-weight: bold; color: #0a6b2d; }\n"
    ".buy { background: #f0a020; color: #fff; padding: 2px 10px; }\n"
    ".stars { color: #e0a000; }\n";

std::string layout(std::string_view title, std::string_view content, PageCharset charset) {
    std::string html;
    html += "<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.01 Transitional//EN\" \"http://www.w3.org/TR/html4/loose.dtd\">\n";
    html += "<html>\n<head>\n";
    html += "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=";
    html += charsetName(charset);
    html += "\">\n<title>";
    html += title;
    html += " - Wareloft</title>\n<style type=\"text/css\">\n";
    html += kStyle;
    html += "</style>\n</head>\n<body>\n";
    html += "<div id=\"top\">\n"
            "<form action=\"/store/search\" method=\"get\"><input type=\"text\" name=\"q\" size=\"24\"> "
            "<input type=\"submit\" value=\"Search\"></form>\n"
            "<a class=\"logo\" href=\"/\">Wareloft</a> <span class=\"tagline\">Software for your Pocket PC</span>\n"
            "</div>\n";
    html += "<ul id=\"nav\">\n<li><a href=\"/\">Home</a></li>\n";
    html += "<li><a href=\"/store/whatsnew\">What's New</a></li>\n";
    html += "<li><a href=\"/store/bestselling\">Best Sellers</a></li>\n";
    for (const Category& c : storeCategories())
        html += "<li><a href=\"/store/category?c=" + c.slug + "\">" + escapeHtml(c.title) + "</a></li>\n";
    html += "</ul>\n<div id=\"content\">\n";
    html += content;
    html += "</div>\n<div id=\"footer\">\n"
            "Prices in US dollars. Downloads install from your desktop or straight onto your device.<br>\n"
            "&copy; 2005 Wareloft &middot; <a href=\"/\">Store home</a> &middot; "
            "<a href=\"/store/whatsnew\">What's New</a>\n"
            "</div>\n</body>\n</html>\n";
    return html;
}

std::string productLink(const Product& p) {
    return std::string("<a href=\"") + kProductPath + "?pid=" + p.id + "\">" + escapeHtml(p.name) + "</a>";
}

std::string publisherLink(const std::string& company) {
    return std::string("<a href=\"") + kPublisherPath + "?name=" + encodeQueryValue(company) + "\">" + escapeHtml(company) +
           "</a>";
}

const Category* categoryOf(const Product& p) {
    for (const Category& c : storeCategories())
        if (c.slug == p.category)
            return &c;
    return nullptr;
}

std::string stars(int ratingTenths) {
    const int full = (ratingTenths + 5) / 10;
    std::string s;
    for (int i = 0; i < 5; ++i)
        s += i < full ? "&#9733;" : "&#9734;";
    return s;
}

std::string oneDecimal(int tenths) {
    return std::to_string(tenths / 10) + "." + std::to_string(tenths % 10);
}

std::string productTable(const std::vector<Product>& products) {
    std::string html = "<table class=\"products\" cellspacing=\"0\">\n"
                       "<tr><th>Product</th><th>Publisher</th><th>Version</th><th>Price</th></tr>\n";
    for (const Product& p : products)
        html += "<tr><td>" + productLink(p) + "</td><td>" + escapeHtml(p.company) + "</td><td>" + escapeHtml(p.version()) +
                "</td><td class=\"price\">" + formatPrice(p.priceCents) + "</td></tr>\n";
    html += "</table>\n";
    return html;
}

} // namespace

std::string formatPrice(int cents) {
    if (cents <= 0)
        return "Free";
    char text[32];
    std::snprintf(text, sizeof text, "$%d.%02d", cents / 100, cents % 100);
    return text;
}

Page renderHome(const std::vector<Product>& featured, const std::vector<Product>& latest) {
    std::string c;
    c += "<h1>Welcome to Wareloft</h1>\n";
    c += "<p>Thousands of programs for your Pocket PC: try them free, buy the ones you keep.</p>\n";
    c += "<h2>Best Sellers</h2>\n" + productTable(featured);
    c += "<p><a href=\"/store/bestselling\">All best sellers &raquo;</a></p>\n";
    c += "<h2>Just Released</h2>\n" + productTable(latest);
    c += "<p><a href=\"/store/whatsnew\">Everything new &raquo;</a></p>\n";
    c += "<h2>Browse by Category</h2>\n<ul class=\"categories\">\n";
    for (const Category& cat : storeCategories())
        c += "<li><a href=\"/store/category?c=" + cat.slug + "\">" + escapeHtml(cat.title) + "</a></li>\n";
    c += "</ul>\n";
    return {layout("Software for your Pocket PC", c, PageCharset::Utf8), PageCharset::Utf8};
}

Page renderProduct(const Product& p) {
    const PageCharset charset = p.legacyPage ? PageCharset::Windows1252 : PageCharset::Utf8;
    const Category* category = categoryOf(p);
    std::string c;
    c += "<p class=\"crumbs\"><a href=\"/\">Home</a> &gt; ";
    if (category)
        c += "<a href=\"/store/category?c=" + category->slug + "\">" + escapeHtml(category->title) + "</a> &gt; ";
    c += escapeHtml(p.name) + "</p>\n";
    c += "<div class=\"product\">\n";
    c += "<h1 class=\"product-name\">" + escapeHtml(p.name) + "</h1>\n";
    c += "<table class=\"facts\" cellspacing=\"0\">\n";
    c += "<tr><th>Publisher:</th><td class=\"publisher\">" + publisherLink(p.company) + "</td></tr>\n";
    c += "<tr><th>Version:</th><td class=\"version\">" + escapeHtml(p.version()) + "</td></tr>\n";
    c += "<tr><th>Released:</th><td class=\"released\">" + escapeHtml(p.date()) + "</td></tr>\n";
    c += "<tr><th>Platform:</th><td>Pocket PC 2002, Pocket PC 2003, Windows Mobile 5.0</td></tr>\n";
    c += "<tr><th>File size:</th><td>" + std::to_string(p.sizeKb) + " KB</td></tr>\n";
    c += "<tr><th>Rating:</th><td class=\"rating\"><span class=\"stars\">" + stars(p.ratingTenths) + "</span> " +
         oneDecimal(p.ratingTenths) + " of 5 (" + std::to_string(p.reviews) + " reviews)</td></tr>\n";
    c += "</table>\n";
    c += "<p class=\"buybox\"><span class=\"price\">" + formatPrice(p.priceCents) +
         "</span> <span class=\"buy\" title=\"Purchases are switched off in this store\">Buy Now</span></p>\n";
    c += "<div class=\"summary\"><p>" + p.summary + "</p></div>\n";
    c += "<h2>Version History</h2>\n<table class=\"history\" cellspacing=\"0\">\n";
    c += "<tr><th>Version</th><th>Date</th><th>What changed</th></tr>\n";
    for (const Release& r : p.releases)
        c += "<tr class=\"release\"><td class=\"v\">" + escapeHtml(r.version) + "</td><td class=\"d\">" + escapeHtml(r.date) +
             "</td><td class=\"n\">" + r.notes + "</td></tr>\n";
    c += "</table>\n</div>\n";
    return {layout(escapeHtml(p.name) + " " + escapeHtml(p.version()), c, charset), charset};
}

Page renderSearch(std::string_view query, const std::vector<Product>& hits) {
    std::string c;
    c += "<h1>Search Results</h1>\n";
    const std::string shown = "<b>" + escapeHtml(query) + "</b>";
    if (hits.empty()) {
        c += "<div id=\"results\">\n<p class=\"none\">No products match " + shown +
             ". Check the spelling, or try fewer words.</p>\n</div>\n";
    } else {
        c += "<p class=\"count\">" + std::to_string(hits.size()) + (hits.size() == 1 ? " product matches " : " products match ") +
             shown + ".</p>\n";
        c += "<div id=\"results\">\n<table class=\"results\" cellspacing=\"0\">\n";
        c += "<tr><th>Product</th><th>Publisher</th><th>Version</th><th>Date</th><th>Price</th></tr>\n";
        for (const Product& p : hits) {
            c += "<tr class=\"hit\"><td class=\"name\">" + productLink(p) + "</td><td class=\"company\">" +
                 escapeHtml(p.company) + "</td><td class=\"version\">" + escapeHtml(p.version()) + "</td><td class=\"date\">" +
                 escapeHtml(p.date()) + "</td><td class=\"price\">" + formatPrice(p.priceCents) + "</td></tr>\n";
            c += "<tr class=\"blurb\"><td colspan=\"5\">" + p.summary + "</td></tr>\n";
        }
        c += "</table>\n</div>\n";
    }
    return {layout("Search", c, PageCharset::Utf8), PageCharset::Utf8};
}

Page renderWhatsNew(const std::vector<Product>& latest) {
    std::string c;
    c += "<h1>What's New at Wareloft</h1>\n";
    c += "<p class=\"intro\">The latest releases and updates, newest first.</p>\n";
    c += "<table class=\"listing\" id=\"whatsnew\" cellspacing=\"0\">\n";
    c += "<tr><th>Date</th><th>Product</th><th>Version</th><th>Publisher</th></tr>\n";
    for (const Product& p : latest) {
        c += "<tr class=\"entry\"><td class=\"date\">" + escapeHtml(p.date()) + "</td><td class=\"name\">" + productLink(p) +
             "</td><td class=\"version\">" + escapeHtml(p.version()) + "</td><td class=\"company\">" + escapeHtml(p.company) +
             "</td></tr>\n";
        c += "<tr class=\"note\"><td></td><td colspan=\"3\">" + p.summary + "</td></tr>\n";
    }
    c += "</table>\n";
    return {layout("What's New", c, PageCharset::Utf8), PageCharset::Utf8};
}

Page renderBestSelling(const std::vector<Product>& ranked, std::string_view weekEnding) {
    std::string c;
    c += "<h1>Best Sellers</h1>\n";
    c += "<p class=\"asof\">Top " + std::to_string(ranked.size()) + " for the week ending <span class=\"week\">" +
         escapeHtml(weekEnding) + "</span></p>\n";
    c += "<ol class=\"ranking\">\n";
    int rank = 0;
    for (const Product& p : ranked) {
        c += "<li class=\"ranked\"><span class=\"rank\">" + std::to_string(++rank) + ".</span> " + productLink(p) +
             " <span class=\"ver\">v" + escapeHtml(p.version()) + "</span> by <span class=\"company\">" +
             escapeHtml(p.company) + "</span> <span class=\"date\">(" + escapeHtml(p.date()) +
             ")</span><br><span class=\"blurb\">" + p.summary + "</span></li>\n";
    }
    c += "</ol>\n";
    return {layout("Best Sellers", c, PageCharset::Windows1252), PageCharset::Windows1252};
}

Page renderCategory(const Category& category, const std::vector<Product>& products) {
    std::string c = "<h1>" + escapeHtml(category.title) + "</h1>\n" + productTable(products);
    return {layout(escapeHtml(category.title), c, PageCharset::Utf8), PageCharset::Utf8};
}

Page renderPublisher(std::string_view company, const std::vector<Product>& products) {
    std::string c = "<h1>Products by " + escapeHtml(company) + "</h1>\n" + productTable(products);
    return {layout(escapeHtml(company), c, PageCharset::Utf8), PageCharset::Utf8};
}

Page renderNotFound(std::string_view message) {
    std::string c = "<h1>Not Found</h1>\n<p>" + escapeHtml(message) + "</p>\n<p><a href=\"/\">Back to the store</a></p>\n";
    return {layout("Not Found", c, PageCharset::Utf8), PageCharset::Utf8};
}

} // namespace zelvon::demo
