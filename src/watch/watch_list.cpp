#include "watch/watch_list.h"

#include "app/settings_store.h"
#include "watch/app_folder_lock.h"
#include "foundation/entity_codec.h"
#include "foundation/file_io.h"
#include "foundation/text_file.h"
#include "foundation/xml_document.h"
#include "watch/clock.h"
#include "watch/new_mark_expiry.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <sys/stat.h>

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

// The five-entity escape, and tab, CR and LF as character references: raw,
// an XML reader turns them into blanks, and a description would lose its
// line breaks at the first save.
std::u16string escapeField(std::u16string_view value) {
    const std::u16string escaped = EntityCodec::escapeXml(value);
    std::u16string text;
    text.reserve(escaped.size());
    for (const char16_t c : escaped) {
        if (c == u'\t')
            text += u"&#9;";
        else if (c == u'\r')
            text += u"&#13;";
        else if (c == u'\n')
            text += u"&#10;";
        else
            text += c;
    }
    return text;
}

void appendAttribute(std::u16string& line, std::u16string_view name, std::u16string_view value) {
    line += u' ';
    line += name;
    line += u"=\"";
    line += value;
    line += u'"';
}

void appendText(std::u16string& line, std::u16string_view name, std::u16string_view value) {
    appendAttribute(line, name, escapeField(value));
}

// path + ".unreadable-YYYYMMDD-HHMMSS" in local time, with "-2", "-3", ...
// when that name is taken.
std::u16string freeSetAsideName(const std::u16string& path, TimePoint now) {
    const std::time_t time = std::chrono::system_clock::to_time_t(now);
    std::tm local{};
    char stamp[32] = "00000000-000000";
    if (::localtime_r(&time, &local) != nullptr)
        std::snprintf(stamp, sizeof stamp, "%04d%02d%02d-%02d%02d%02d", local.tm_year + 1900, local.tm_mon + 1,
                      local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec);
    const std::u16string base = path + u".unreadable-" + std::u16string(stamp, stamp + std::strlen(stamp));
    std::u16string name = base;
    for (int n = 2; n < 1000 && fileExists(name); ++n)
        name = base + u"-" + formatInt(n);
    return name;
}

// What stands at `path` when it is there but is not a regular file (a
// symbolic link counts by what it leads to); empty when it is a regular
// file or nothing is there. Such a thing is never read (a named pipe would
// block, a device never end) and never replaced: the user put it there.
std::u16string notARegularFile(const std::u16string& path) {
    struct stat info {};
    const std::string native = nativePath(path);
    if (::lstat(native.c_str(), &info) != 0)
        return {};
    const bool link = S_ISLNK(info.st_mode);
    if (link && ::stat(native.c_str(), &info) != 0)
        return u"a symbolic link that leads nowhere";
    std::u16string what;
    if (S_ISREG(info.st_mode))
        return {};
    if (S_ISDIR(info.st_mode))
        what = u"a folder";
    else if (S_ISFIFO(info.st_mode))
        what = u"a named pipe";
    else if (S_ISCHR(info.st_mode) || S_ISBLK(info.st_mode))
        what = u"a device";
    else if (S_ISSOCK(info.st_mode))
        what = u"a socket";
    else
        what = u"not a regular file";
    return link ? u"a symbolic link to " + what : what;
}

std::u16string leftAloneText(const std::u16string& path, const std::u16string& what) {
    return u"The list file " + path + u" is " + what + u", not a regular file: it is left alone and nothing is saved there.";
}

} // namespace

bool WatchList::load(std::u16string_view path, int leaveNewDays, TimePoint now) {
    records_.clear();
    path_ = std::u16string(path);
    loaded_ = false;
    setAsidePath_.clear();
    setAsideDone_ = false;
    noticeGiven_ = false;
    notAFile_ = notARegularFile(path_);
    if (!notAFile_.empty())
        return false;

    // A file that is there but cannot be used still holds the user's
    // products: the next save must not replace it unseen.
    const auto unreadable = [&] {
        if (fileExists(path_))
            setAsidePath_ = freeSetAsideName(path_, now);
        return false;
    };
    XmlDocument document;
    if (!document.load(path_))
        return unreadable();
    const XmlNode* list = document.findNode(u"vertrel");
    if (list == nullptr || !XmlTree::hasAttributeValue(list, u"version", u"1.0"))
        return unreadable();
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
        appendText(line, u"productURL", r.productURL);
        appendText(line, u"productID", r.productID);
        appendText(line, u"productName", r.productName);
        appendText(line, u"productCompany", r.productCompany);
        appendText(line, u"productVersion", r.productVersion);
        appendText(line, u"productDate", r.productDate);
        appendText(line, u"productDescription", r.productDescription);
        appendText(line, u"previousVersion", r.previousVersion);
        appendText(line, u"lastReload", r.lastReload);
        appendAttribute(line, u"isNew", formatInt(r.isNew));
        appendAttribute(line, u"keepNew", formatInt(r.keepNew));
        appendAttribute(line, u"groupType", formatInt(r.groupType));
        line += u"/>\n";
        text += line;
    }
    text += u"</vertrel>\n";
    return text;
}

bool WatchList::setAsideUnreadableFile() const {
    if (setAsidePath_.empty() || setAsideDone_)
        return true;
    // Gone meanwhile (the user moved it away): nothing left to keep.
    if (!fileExists(path_) || keepCopyAs(path_, setAsidePath_)) {
        setAsideDone_ = true;
        return true;
    }
    return false;
}

std::u16string WatchList::takeSetAsideNotice() {
    if (noticeGiven_ || (setAsidePath_.empty() && notAFile_.empty()))
        return {};
    noticeGiven_ = true;
    if (!notAFile_.empty())
        return leftAloneText(path_, notAFile_) + u" The list starts empty.";
    return u"The list file " + path_ + u" could not be read (damaged or of another version). It is kept as " +
           setAsidePath_ + u" and the list starts empty.";
}

std::u16string withSaveReason(std::u16string message, const WatchList& list) {
    if (!list.saveRefusal().empty())
        message += u": " + list.saveRefusal();
    return message;
}

bool WatchList::save() const {
    saveError_ = 0;
    saveRefusal_.clear();
    saveLostLock_ = false;
    if (!AppFolderLock::confirmHeldFor(path_, saveRefusal_)) {
        saveLostLock_ = true;
        return false;
    }
    // Checked again now: it may have appeared since the load.
    if (const std::u16string what = notARegularFile(path_); !what.empty()) {
        saveRefusal_ = leftAloneText(path_, what);
        return false;
    }
    if (!setAsideUnreadableFile()) {
        saveError_ = errno;
        return false;
    }
    TextFile file;
    if (!file.open(path_, TextFile::Mode::Write)) {
        saveError_ = file.lastError();
        return false;
    }
    file.writeText(fileText());
    // The text file replaces the old list only once the new one is complete
    // on disk; its answer is the answer of the save.
    const bool written = file.close();
    if (!written)
        saveError_ = file.lastError();
    return written;
}

Failure WatchList::lastSaveFailure() const {
    if (!saveRefusal_.empty())
        return makeFailure(FailureKind::Refused, saveRefusal_);
    return makeWriteFailure(saveError_);
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
