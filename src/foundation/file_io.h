#pragma once
// Whole-file reads and crash-safe file replacement. A file that replaces
// another is written to a temporary file in the same folder, flushed to
// disk and renamed over the target, so a crash, a kill or a full disk never
// leaves a half-written or empty file where a good one stood.

#include <chrono>
#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

namespace zelvon {

// Paths are held as UTF-16 like all other text and given to the operating
// system as UTF-8.
std::string nativePath(std::u16string_view path);

// Reads the whole file. False when it cannot be opened or read (a folder
// counts as a file that cannot be opened).
bool readFileBytes(std::u16string_view path, std::string& bytes);

// Reads a text file the way decodeFileText reads its bytes (UTF-8 when the
// whole file is, else Windows-1252), ending at the first zero byte, without
// holding the bytes beside the text: a large page costs its text alone.
// False as readFileBytes.
bool readFileTextUntilZero(std::u16string_view path, std::u16string& text);

bool fileExists(std::u16string_view path);

// Makes `to` a second name for the bytes of `from` (a hard link, or a synced
// copy where links are not possible), never replacing an existing `to`.
// False when `to` exists or the copy failed; `from` is never changed.
bool keepCopyAs(std::u16string_view from, std::u16string_view to);

// Removes a file; true when it is gone (also when it was never there).
bool removeFile(std::u16string_view path);

// Writes `bytes` to a temporary file beside `path` and renames it over
// `path`. False (and `path` untouched) on any failure, and when `path` is
// there but is not a regular file (a symbolic link counts by the file it
// leads to, which is the one replaced).
bool writeFileAtomically(std::u16string_view path, std::string_view bytes);
// The same, giving the system's error number of a failure (ENOSPC, EACCES,
// EROFS...) in `errorNumber`; 0 after success.
bool writeFileAtomically(std::u16string_view path, std::string_view bytes, int& errorNumber);

// The same in two steps, for writers that learn the target early and the
// content late: `begin` creates the temporary file (failing at once when the
// folder is missing or not writable), `commit` writes, syncs and renames.
// Destroying an uncommitted writer removes the temporary file.
class AtomicFileWriter {
public:
    AtomicFileWriter() = default;
    ~AtomicFileWriter();
    AtomicFileWriter(const AtomicFileWriter&) = delete;
    AtomicFileWriter& operator=(const AtomicFileWriter&) = delete;

    bool begin(std::u16string_view path);
    bool commit(std::string_view bytes);
    void abandon();
    bool isActive() const { return fd_ >= 0; }
    // The system's error number of the last failed begin or commit, so a
    // full disk can be told from a missing folder; 0 when none is known.
    int lastError() const { return error_; }

private:
    bool fail(int errorNumber);

    int fd_ = -1;
    int error_ = 0;
    std::string target_;
    std::string temporary_;
};

// True for a name the atomic writer gives its temporary files: "." + the
// target's name + ".tmp-" + six letters or digits.
bool isAtomicWriterTemporary(std::string_view fileName);

// Removes the regular files directly in `folder` whose name `matches` and
// whose last change came before `before` (symbolic links and subfolders are
// left alone). For leftovers of runs that were killed; the caller holds
// whatever lock keeps live writers out. Returns how many were removed.
size_t removeStaleFiles(std::u16string_view folder, std::chrono::system_clock::time_point before,
                        const std::function<bool(std::string_view fileName)>& matches);

// While one of these lives, atomic replacements made on the same thread skip
// the file and folder syncs: for scratch files that are read straight back
// (a downloaded page, a transformer's output) and are worthless after a
// crash anyway. They are still renamed into place, so a reader never sees
// half a file. Other threads, and this one once the scope ends, sync as
// before, so the list files, the settings and downloaded scripts stay
// durable.
class ScratchWriteScope {
public:
    ScratchWriteScope();
    ~ScratchWriteScope();
    ScratchWriteScope(const ScratchWriteScope&) = delete;
    ScratchWriteScope& operator=(const ScratchWriteScope&) = delete;

private:
    bool previous_;
};

// Test hook: when set, it is called right before a committed temporary file
// is renamed over its target; returning false abandons the write there, as
// a crash at that moment would. Not for production use.
void setBeforeRenameHookForTesting(std::function<bool(const std::string& target)> hook);

} // namespace zelvon
