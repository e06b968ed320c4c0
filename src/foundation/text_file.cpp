#include "foundation/text_file.h"

#include "foundation/blank_text.h"
#include "foundation/text_codec.h"

namespace zelvon {
namespace {

// Every line end becomes CR LF: a CR LF pair stays one pair, a lone LF gets
// its CR, a lone CR is left as it is. In place: the bytes grow once, by the
// number of CRs missing, and are moved back to front.
void expandLineFeeds(std::string& bytes) {
    size_t missing = 0;
    for (size_t i = 0; i < bytes.size(); ++i)
        if (bytes[i] == '\n' && (i == 0 || bytes[i - 1] != '\r'))
            ++missing;
    if (missing == 0)
        return;
    size_t from = bytes.size();
    bytes.resize(bytes.size() + missing);
    size_t to = bytes.size();
    while (from > 0) {
        const char c = bytes[--from];
        bytes[--to] = c;
        if (c == '\n' && (from == 0 || bytes[from - 1] != '\r'))
            bytes[--to] = '\r';
    }
}

} // namespace

TextFile::~TextFile() { close(); }

bool TextFile::open(std::u16string_view path, Mode mode) {
    close();
    buffer_.clear();
    position_ = 0;
    if (mode == Mode::Read) {
        // The bytes are taken now, so a file that exists at open stays
        // readable even if it is replaced before the first line is read.
        std::string bytes;
        if (!readFileBytes(path, bytes))
            return false;
        buffer_ = decodeFileText(bytes);
    } else {
        // The temporary file is created now, so a missing or read-only
        // folder fails here and not only at close; the old file stays whole
        // until close renames the new one over it.
        if (!writer_.begin(path))
            return false;
    }
    path_ = path;
    mode_ = mode;
    isOpen_ = true;
    fresh_ = true;
    dirty_ = false;
    return true;
}

bool TextFile::readLine(std::u16string& line) {
    if (!isOpen_ || mode_ != Mode::Read)
        return false;
    fresh_ = false;
    if (position_ >= buffer_.size())
        return false;
    const size_t feed = buffer_.find(u'\n', position_);
    if (feed == std::u16string::npos) {
        // The last line without a line end is returned untrimmed.
        line.assign(buffer_, position_, std::u16string::npos);
        position_ = buffer_.size();
        return true;
    }
    size_t end = feed;
    while (end > position_ && isBlank(buffer_[end - 1]))
        --end;
    line.assign(buffer_, position_, end - position_);
    position_ = feed + 1;
    return true;
}

void TextFile::writeText(std::u16string_view text) {
    if (!isOpen_ || mode_ != Mode::Write)
        return;
    if (fresh_) {
        buffer_.clear();
        fresh_ = false;
        dirty_ = true;
    }
    buffer_.append(text);
}

void TextFile::takeText(std::u16string&& text) {
    if (isOpen_ && mode_ == Mode::Write && fresh_) {
        fresh_ = false;
        dirty_ = true;
        buffer_ = std::move(text);
        return;
    }
    writeText(std::u16string_view(text));
}

bool TextFile::close() {
    if (!isOpen_)
        return true;
    isOpen_ = false;
    fresh_ = false;
    bool ok = true;
    if (mode_ == Mode::Write) {
        // Without any text written the new file is simply empty.
        std::string bytes;
        if (dirty_) {
            // Encoded first and the line ends made in the bytes: CR and LF
            // are single bytes in both encodings and never part of another
            // character, and no second wide copy of a large text is made.
            bytes = encodeFileText(buffer_);
            buffer_.clear();
            buffer_.shrink_to_fit();
            expandLineFeeds(bytes);
        }
        ok = writer_.commit(bytes);
    }
    dirty_ = false;
    buffer_.clear();
    buffer_.shrink_to_fit();
    position_ = 0;
    return ok;
}

} // namespace zelvon
