#pragma once
// Line-by-line reading and whole-file writing of text files. Reading accepts
// UTF-8 or Windows-1252 and any mix of LF and CR LF; writing turns line feeds
// into CR LF and stores Windows-1252 (UTF-8 when a character does not fit).
// A file opened for writing replaces the old one only when `close` succeeds.

#include "foundation/file_io.h"

#include <string>
#include <string_view>

namespace zelvon {

class TextFile {
public:
    enum class Mode { Read, Write };

    TextFile() = default;
    ~TextFile();
    TextFile(const TextFile&) = delete;
    TextFile& operator=(const TextFile&) = delete;

    // Read: the file must exist. Write: the folder must be writable; the old
    // file stays as it is until close. An open object is closed first.
    bool open(std::u16string_view path, Mode mode);
    bool isOpen() const { return isOpen_; }

    // False at the end of the file.
    bool readLine(std::u16string& line);
    // Appends text; callers include "\n" where they want a line break.
    void writeText(std::u16string_view text);
    // The same, taking over the text when nothing was written before, so a
    // large text is not copied.
    void takeText(std::u16string&& text);
    // Writes out a file opened for writing (empty when nothing was written)
    // and replaces the target. False when that failed; the previous file is
    // then left whole. Closing a file opened for reading always succeeds.
    bool close();
    // The system's error number of the last failed open for writing or
    // close (ENOSPC for a full disk); 0 when none is known.
    int lastError() const { return writer_.lastError(); }

private:
    bool isOpen_ = false;
    bool fresh_ = false;
    bool dirty_ = false;
    Mode mode_ = Mode::Read;
    std::u16string path_;
    std::u16string buffer_;
    size_t position_ = 0;
    AtomicFileWriter writer_;
};

} // namespace zelvon
