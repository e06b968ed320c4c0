#include "ui/html_page.h"

#include "app/default_addresses.h"
#include "foundation/formatting.h"

namespace zelvon::ui {
namespace {

// Case-sensitive on purpose: "Smaller" or "normal" leave the size alone.
std::u16string_view fontTag(std::u16string_view fontSize) {
    if (fontSize == u"smallest")
        return u"<font size=-2>";
    if (fontSize == u"smaller")
        return u"<font size=-1>";
    if (fontSize == u"larger")
        return u"<font size=+1>";
    if (fontSize == u"largest")
        return u"<font size=+2>";
    return {};
}

std::u16string entryHead(const ProductRecord& record) {
    return u"<a href='" + record.productURL + u"'>" + record.productName +
           u"</a><br>&nbsp;&nbsp;&nbsp;&nbsp;<i>" + record.productCompany + u"</i><br>" + record.productDescription;
}

} // namespace

std::u16string buildPage(std::u16string_view fragment, const PageLook& look) {
    std::u16string page = u"<html><body bgcolor='#" + colorToHex(look.bgColor) + u"' text='#" +
                          colorToHex(look.txColor) + u"' link='#" + colorToHex(look.lkColor) + u"'>";
    const std::u16string_view tag = fontTag(look.fontSize);
    page += tag;
    page += fragment;
    page += tag.empty() ? u"</body></html>" : u"</font></body></html>";
    return page;
}

std::u16string watchedEntryHtml(const ProductRecord& record) {
    std::u16string html;
    if (record.isNew != 0)
        html = u"<b>** New Update Available **</b><br>";
    html += entryHead(record) + u"<br><br>Product Date: " + record.productDate + u"<br>Product Version: " +
            record.productVersion + u"<br><br>Last Checked: " + record.lastReload;
    return html;
}

std::u16string storeEntryHtml(const ProductRecord& record) {
    return entryHead(record) + u"<br><br>Submitted Date: " + record.productDate;
}

std::u16string makerSiteUrl() { return std::u16string(kDefaultMakerSiteUrl); }

std::u16string promotionLine() {
    return u"<b>Another product from Orvalis</b><br>Visit us at <a href='" + makerSiteUrl() + u"'>" +
           makerSiteUrl() + u"</a>";
}

std::u16string disclaimerText() {
    const std::u16string site = u"<a href='" + makerSiteUrl() + u"'>Orvalis</a>";
    return u"<br><br><b>Disclaimer...</b><br><font size=2>"
           u"Wareloft <b>IS NOT</b> in any way associated with this application. "
           u"If you have a problem with Zelvon, please contact " + site + u", not Wareloft. "
           u"This application obtains data from the Wareloft website for your personal use."
           u"  If Wareloft changes its' data format, Zelvon may not work properly until Orvalis "
           u"reconfigures it, which we will do as quickly as possible. "
           u"Check " + site + u" or use Check for Parsing Scripts for script updates."
           u"</font>";
}

std::u16string overviewPage() {
    return u"<b> Zelvon</b><br> - </i>A specialized application for monitoring your Wareloft PocketPC "
           u"purchases.<br><br><font SIZE=\"2\">" + promotionLine() + u"</font>" + disclaimerText();
}

std::u16string firstRunHint() {
    return u"<p><b>Your Product Watch List is empty.</b><br>"
           u"To watch a product, choose <b>Add Product...</b> in the File menu or on the toolbar and enter its "
           u"Wareloft product ID or words of its name. Or pick a product in the Best Selling List or the "
           u"What's New List below, press Enter (or right-click it) and choose "
           u"<b>Add To Product Watch List</b>; <b>Reload All From Web</b> (F5) downloads both lists.</p>";
}

std::u16string overviewPage(bool watchListEmpty) {
    return watchListEmpty ? firstRunHint() + overviewPage() : overviewPage();
}

} // namespace zelvon::ui
