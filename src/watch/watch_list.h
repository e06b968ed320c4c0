#pragma once
// An ordered collection of product records tied to one list file in the
// `vertrel` format (the watch list and the two store-list caches).
// Records are addressed by index for the whole time the list is in memory:
// removing only flags a record, so indexes held elsewhere stay valid until
// the next load.

#include "foundation/failure.h"
#include "foundation/formatting.h"
#include "watch/product_record.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zelvon {

class Clock;
class SettingsStore;
class WatchList;

// A front end's message about a failed save, with the list's reason after
// it when the save was refused for one (see WatchList::saveRefusal).
std::u16string withSaveReason(std::u16string message, const WatchList& list);

class WatchList {
public:
    // Empties the list, remembers `path` (also on failure, so a later save
    // writes there) and reads the file. Each new record is aged by
    // expireNewMark with `leaveNewDays` and `now`. False, with an empty list,
    // for a file that is missing, unreadable, has no `vertrel` element or
    // carries a version other than exactly "1.0". A file that exists but
    // does not load is set aside by the next save instead of being replaced
    // (see setAsidePath).
    bool load(std::u16string_view path, int leaveNewDays, TimePoint now);
    // The same with "Prefs"/"LeaveNew" (default 0) and the clock's time.
    bool load(std::u16string_view path, const SettingsStore& settings, const Clock& clock);

    // Writes every record that is not removed to the remembered path. The
    // file is replaced only when the whole text has reached the disk; false
    // (and the previous file whole) otherwise. After a load that could not
    // read an existing file, that file is first kept under setAsidePath();
    // if that fails nothing is written. Nothing is written either when the
    // path names something other than a regular file (a folder, a named
    // pipe, a link to a device), or when this process locked the
    // application folder and has lost that lock (see AppFolderLock).
    bool save() const;
    // Why the last save was refused, for one of the reasons above; empty
    // after a success or a failed write.
    const std::u16string& saveRefusal() const { return saveRefusal_; }
    // The last save was refused because the folder's lock is lost: every
    // later save will be too, so a run should stop.
    bool saveLostLock() const { return saveLostLock_; }
    // Why the last failed save failed (a full disk, a read-only folder), as
    // the system said it; a refusal above as its reason.
    Failure lastSaveFailure() const;

    // The exact text `save` writes, before the line feeds become CR LF.
    std::u16string fileText() const;

    // Copies the record to the end; returns its index.
    size_t append(const ProductRecord& record);

    // Removed records included.
    size_t count() const { return records_.size(); }
    const std::vector<ProductRecord>& records() const { return records_; }

    // A copy of the record at `index`; empty when there is none.
    std::optional<ProductRecord> record(size_t index) const;
    // Writes a changed copy back; false for an index out of range.
    bool setRecord(size_t index, const ProductRecord& record);
    // Flags the record as removed: it stays at its index and leaves the file
    // at the next save.
    bool markRemoved(size_t index);

    const std::u16string& path() const { return path_; }
    bool isLoaded() const { return loaded_; }

    // After a load that found a file it could not read: the name that file
    // is kept under (path + ".unreadable-YYYYMMDD-HHMMSS", never an existing
    // file), from the next save on. Empty otherwise.
    const std::u16string& setAsidePath() const { return setAsidePath_; }
    // The same news as a sentence for the user, or that the list file was
    // left alone because it is not a regular file; given once per such
    // load, empty afterwards, so a front end that asks after every step
    // says it once.
    std::u16string takeSetAsideNotice();
    // After a load: what stands at the path when it is not a regular file
    // ("a folder", "a named pipe", ...); empty otherwise.
    const std::u16string& notAFile() const { return notAFile_; }

private:
    bool setAsideUnreadableFile() const;

    std::vector<ProductRecord> records_;
    std::u16string path_;
    bool loaded_ = false;
    std::u16string setAsidePath_;
    std::u16string notAFile_;
    mutable std::u16string saveRefusal_;
    mutable bool saveLostLock_ = false;
    mutable bool setAsideDone_ = false;
    mutable int saveError_ = 0;
    bool noticeGiven_ = false;
};

} // namespace zelvon
