#include "watch/watch_list.h"

#include "app/settings_store.h"
#include "foundation/entity_codec.h"
#include "foundation/text_file.h"
#include "foundation/xml_document.h"
#include "watch/clock.h"
#include "watch/new_mark_expiry.h"

namespace zelvon {
namespace {

ProductRecord readProduct(const XmlNode* node) {
    const auto text = [node](std::u16string_view name) {
        return EntityCodec::decodeEntities(XmlTree::getAttribute(node, name));
    };
    const auto number = [node](std::u16string_view name) { return parseInt(XmlTree::getAttribute(node, name)); };
    ProductRecord record;
    record.productURL = text(u"productURL");
    record.productID = text(u"productID");
    record.productName = text(u"productName");
    record.productCompany = text(u"productCompany");
    record.productVersion = text(u"productVersion");
    record.productDate = text(u"productDate");
    record.productDescription = text(u"productDescription");
    record.previousVersion = text(u"previousVersion");
    record.lastReload = text(u"lastReload");
    // A missing attribute reads as empty text and so as 0, also for isNew.
    record.isNew = number(u"isNew");
    record.keepNew = number(u"keepNew");
    record.groupType = number(u"groupType");
    record.removed = 0;
    return record;
}

void appendAttribute(std::u16string& line, std::u16string_view name, std::u16string_view value) {
    line += u' ';
    line += name;
    line += u"=\"";
    line += value;
    line += u'"';
}

} // namespace

bool WatchList::load(std::u16string_view path, int leaveNewDays, TimePoint now) {
    records_.clear();
    path_ = std::u16string(path);
    loaded_ = false;

    XmlDocument document;
    if (!document.load(path_))
        return false;
    const XmlNode* list = document.findNode(u"vertrel");
    if (list == nullptr || !XmlTree::hasAttributeValue(list, u"version", u"1.0"))
        return false;
    for (const XmlNode* child = XmlTree::firstChild(list); child != nullptr; child = XmlTree::nextSibling(child)) {
        if (child->name != u"product")
            continue;
        ProductRecord record = readProduct(child);
        expireNewMark(record, leaveNewDays, now);
        records_.push_back(std::move(record));
    }
    loaded_ = true;
    return true;
}

bool WatchList::load(std::u16string_view path, const SettingsStore& settings, const Clock& clock) {
    return load(path, settings.readInt(u"Prefs", u"LeaveNew", 0), clock.now());
}

std::u16string WatchList::fileText() const {
    std::u16string text = u"<vertrel version=\"1.0\">\n";
    for (const ProductRecord& r : records_) {
        if (r.removed != 0)
            continue;
        std::u16string line = u"    <product";
        appendAttribute(line, u"productURL", EntityCodec::escapeXml(r.productURL));
        appendAttribute(line, u"productID", EntityCodec::escapeXml(r.productID));
        appendAttribute(line, u"productName", EntityCodec::escapeXml(r.productName));
        appendAttribute(line, u"productCompany", EntityCodec::escapeXml(r.productCompany));
        appendAttribute(line, u"productVersion", EntityCodec::escapeXml(r.productVersion));
        appendAttribute(line, u"productDate", EntityCodec::escapeXml(r.productDate));
        appendAttribute(line, u"productDescription", EntityCodec::escapeXml(r.productDescription));
        appendAttribute(line, u"previousVersion", EntityCodec::escapeXml(r.previousVersion));
        appendAttribute(line, u"lastReload", EntityCodec::escapeXml(r.lastReload));
        appendAttribute(line, u"isNew", formatInt(r.isNew));
        appendAttribute(line, u"keepNew", formatInt(r.keepNew));
        appendAttribute(line, u"groupType", formatInt(r.groupType));
        line += u"/>\n";
        text += line;
    }
    text += u"</vertrel>\n";
    return text;
}

bool WatchList::save() const {
    TextFile file;
    if (!file.open(path_, TextFile::Mode::Write))
        return false;
    file.writeText(fileText());
    // The text file replaces the old list only once the new one is complete
    // on disk; its answer is the answer of the save.
    return file.close();
}

size_t WatchList::append(const ProductRecord& record) {
    records_.push_back(record);
    return records_.size() - 1;
}

std::optional<ProductRecord> WatchList::record(size_t index) const {
    if (index >= records_.size())
        return std::nullopt;
    return records_[index];
}

bool WatchList::setRecord(size_t index, const ProductRecord& record) {
    if (index >= records_.size())
        return false;
    records_[index] = record;
    return true;
}

bool WatchList::markRemoved(size_t index) {
    if (index >= records_.size())
        return false;
    records_[index].removed = 1;
    return true;
}

} // namespace zelvon
