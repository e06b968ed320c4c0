#include "watch/script_catalogue.h"

#include "foundation/entity_codec.h"
#include "foundation/text_codec.h"
#include "foundation/xml_document.h"

namespace zelvon {

std::u16string ScriptCatalogue::filePath(std::u16string_view appFolder) {
    return std::u16string(appFolder) + u"/scripts/scripts.txt";
}

ScriptCatalogue::LoadStatus ScriptCatalogue::load(std::u16string_view appFolder) {
    appFolder_ = std::u16string(appFolder);
    loadErrorText_.clear();
    productDetail_ = nameSearch_ = whatsNew_ = bestSelling_ = CatalogueEntry{};

    const std::u16string path = filePath(appFolder);
    XmlDocument document;
    if (!document.load(path)) {
        loadErrorText_ = u"The File: " + path + u" is missing.  Zelvon will not function properly.  Please Exit application.";
        return LoadStatus::Missing;
    }
    const XmlNode* store = document.findNode(u"root\\wareloft");
    if (store == nullptr) {
        loadErrorText_ = u"The File: " + path + u" is corrupt.  Zelvon will not function properly.  Please Exit application.";
        return LoadStatus::Corrupt;
    }
    for (const XmlNode* child = XmlTree::firstChild(store); child != nullptr; child = XmlTree::nextSibling(child)) {
        CatalogueEntry* entry = nullptr;
        if (child->name == u"productDetail")
            entry = &productDetail_;
        else if (child->name == u"nameSearch")
            entry = &nameSearch_;
        else if (child->name == u"whatsNew")
            entry = &whatsNew_;
        else if (child->name == u"bestSelling")
            entry = &bestSelling_;
        if (entry == nullptr)
            continue;
        // A later element of the same name wins.
        entry->url = EntityCodec::unescapeMarkup(XmlTree::getAttribute(child, u"url"));
        entry->nrt = EntityCodec::unescapeMarkup(XmlTree::getAttribute(child, u"nrt"));
    }
    return LoadStatus::Loaded;
}

std::u16string ScriptCatalogue::scriptPath(const CatalogueEntry& entry) const {
    return appFolder_ + u"/scripts/" + entry.nrt;
}

std::u16string ScriptCatalogue::detailUrl(std::u16string_view productId) const {
    return productDetail_.url + std::u16string(productId);
}

std::u16string ScriptCatalogue::searchUrl(std::u16string_view name) const {
    // A raw "&" would end the query value and a raw "+" would arrive as a
    // blank, so "R&D" searched for "R" and "C++" for "C  ". Blanks keep
    // their "+", and the store decodes everything else back as typed.
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::u16string url = nameSearch_.url;
    for (const char byte : toUtf8(name)) {
        const auto c = static_cast<unsigned char>(byte);
        const bool unreserved = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                                c == '-' || c == '.' || c == '_' || c == '~';
        if (c == ' ') {
            url += u'+';
        } else if (unreserved) {
            url += static_cast<char16_t>(c);
        } else {
            url += u'%';
            url += static_cast<char16_t>(kHex[c >> 4]);
            url += static_cast<char16_t>(kHex[c & 0x0F]);
        }
    }
    return url;
}

} // namespace zelvon
