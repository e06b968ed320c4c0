#pragma once
// The HTML the window shows: the page frame the pane wraps around every
// fragment, the pages of the tree's entries and the overview page. Plain
// text building only, so every byte can be checked without a window.

#include "watch/product_record.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace zelvon::ui {

struct PageLook {
    uint32_t bgColor = 0xCDFFFF;
    uint32_t txColor = 0;
    uint32_t lkColor = 0xFF0000;
    std::u16string fontSize = u"smaller";
};

// "<html><body bgcolor='#..' text='#..' link='#..'>" + the font tag for one
// of the four exact size words + fragment + the closing tags.
std::u16string buildPage(std::u16string_view fragment, const PageLook& look);

// The pages of a watched product (kind 4) and of a store-list entry (kinds
// 5 and 6). Record texts go in exactly as stored: markup in them takes
// effect, as the store's own pages would show it.
std::u16string watchedEntryHtml(const ProductRecord& record);
std::u16string storeEntryHtml(const ProductRecord& record);

// The maker's site behind the promotion and disclaimer links.
std::u16string makerSiteUrl();
std::u16string promotionLine();
std::u16string disclaimerText();
std::u16string overviewPage();
// The overview for an empty watch list: how to put a product on it comes
// first, so a first run is never a page about nothing.
std::u16string overviewPage(bool watchListEmpty);
std::u16string firstRunHint();

} // namespace zelvon::ui
