#include "foundation/file_io.h"

#include "foundation/text_codec.h"

#include <algorithm>
#include <cerrno>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <mutex>
#include <sys/stat.h>
#include <unistd.h>

namespace zelvon {
namespace {

std::mutex& hookMutex() {
    static std::mutex m;
    return m;
}

std::function<bool(const std::string&)>& beforeRenameHook() {
    static std::function<bool(const std::string&)> hook;
    return hook;
}

thread_local bool scratchWrites = false;

bool writeAll(int fd, std::string_view bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        if (n == 0) { // no progress and no error: give up rather than spin
            errno = EIO;
            return false;
        }
        done += static_cast<size_t>(n);
    }
    return true;
}

// A NUL inside a path would silently cut it short at the system boundary
// and name another file; such a path names no file at all.
bool usablePath(std::u16string_view path) { return !path.empty() && path.find(u'\0') == std::u16string_view::npos; }

// Opens a regular file for reading and gives its size, or -1. The open does
// not block, so a named pipe in place of a data file cannot hang the program
// waiting for a writer; anything but a regular file is refused.
int openRegularFile(std::u16string_view path, size_t& size) {
    if (!usablePath(path))
        return -1;
    const int fd = ::open(nativePath(path).c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return -1;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return -1;
    }
    size = static_cast<size_t>(st.st_size);
    return fd;
}

} // namespace

std::string nativePath(std::u16string_view path) { return toUtf8(path); }

bool readFileBytes(std::u16string_view path, std::string& bytes) {
    bytes.clear();
    size_t size = 0;
    const int fd = openRegularFile(path, size);
    if (fd < 0)
        return false;
    // One allocation of the right size instead of doubling past it; a file
    // that grows meanwhile still reads whole.
    bytes.reserve(size + 1);
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            ::close(fd);
            bytes.clear();
            return false;
        }
        if (n == 0)
            break;
        bytes.append(buffer, static_cast<size_t>(n));
    }
    ::close(fd);
    return true;
}

namespace {

// Reads `fd` from its start in pieces, each handed to `take` (with `last`
// set for the final one), up to the first zero byte of the file. `take`
// returns false when it has seen enough. False on a read error.
template <typename Take>
bool readPiecesUntilZero(int fd, Take take) {
    if (::lseek(fd, 0, SEEK_SET) != 0)
        return false;
    std::string buffer(size_t{1} << 20, '\0');
    for (;;) {
        const ssize_t n = ::read(fd, buffer.data(), buffer.size());
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        const std::string_view piece(buffer.data(), static_cast<size_t>(n));
        const size_t zero = piece.find('\0');
        if (n == 0 || zero != std::string_view::npos) {
            take(piece.substr(0, zero), true);
            return true;
        }
        if (!take(piece, false))
            return true;
    }
}

// UTF-8 in pieces: a sequence cut by a piece's end is carried over (at most
// three bytes) and finished with the start of the next piece.
class PiecewiseUtf8 {
public:
    explicit PiecewiseUtf8(std::u16string& text) : text_(text) {}

    bool take(std::string_view piece, bool last) {
        if (!carry_.empty() || first_) {
            size_t fromPiece = std::min<size_t>(piece.size(), 4);
            std::string head = carry_ + std::string(piece.substr(0, fromPiece));
            carry_.clear();
            std::string_view rest = head;
            if (first_) {
                if (head.size() < kByteOrderMark.size() && !last) {
                    carry_ = head; // too short yet to tell a mark
                    return true;
                }
                first_ = false;
                if (rest.starts_with(kByteOrderMark)) {
                    rest.remove_prefix(kByteOrderMark.size());
                    markSkipped_ = true;
                }
            }
            size_t used = 0;
            if (!decodeUtf8Piece(rest, text_, used))
                return fail();
            const size_t left = rest.size() - used;
            if (left > 0 && left <= fromPiece && fromPiece < piece.size())
                fromPiece -= left; // a sequence begun in the piece: decoded with it
            else if (left > 0)
                carry_.assign(rest.substr(used)); // the piece is all in `head`
            piece.remove_prefix(fromPiece);
        }
        if (!piece.empty()) {
            size_t used = 0;
            if (!decodeUtf8Piece(piece, text_, used))
                return fail();
            carry_.assign(piece.substr(used));
        }
        if (last && !carry_.empty())
            return fail();
        return true;
    }

    // As decodeFileText: a byte-order mark with valid UTF-8 after it, or
    // valid UTF-8 that gives at least one character.
    bool isUtf8() const { return valid_ && (markSkipped_ || !text_.empty()); }

private:
    static constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

    bool fail() {
        valid_ = false;
        return false;
    }

    std::u16string& text_;
    std::string carry_;
    bool first_ = true;
    bool markSkipped_ = false;
    bool valid_ = true;
};

} // namespace

bool readFileTextUntilZero(std::u16string_view path, std::u16string& text) {
    text.clear();
    size_t size = 0;
    const int fd = openRegularFile(path, size);
    if (fd < 0)
        return false;
    // At most one character per byte; only what is written becomes resident.
    text.reserve(size);
    PiecewiseUtf8 utf8(text);
    bool ok = readPiecesUntilZero(fd, [&](std::string_view piece, bool last) { return utf8.take(piece, last); });
    if (ok && !utf8.isUtf8()) {
        // Not UTF-8: the file again, byte by byte in the Windows code page.
        text.clear();
        ok = readPiecesUntilZero(fd, [&](std::string_view piece, bool) {
            appendCp1252(piece, text);
            return true;
        });
    }
    ::close(fd);
    if (!ok)
        text.clear();
    return ok;
}

bool fileExists(std::u16string_view path) {
    struct stat st {};
    return usablePath(path) && ::stat(nativePath(path).c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool keepCopyAs(std::u16string_view from, std::u16string_view to) {
    if (!usablePath(from) || !usablePath(to))
        return false;
    if (::link(nativePath(from).c_str(), nativePath(to).c_str()) == 0)
        return true;
    if (errno == EEXIST)
        return false;
    std::string bytes;
    if (!readFileBytes(from, bytes))
        return false;
    const int fd = ::open(nativePath(to).c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0)
        return false;
    const bool written = writeAll(fd, bytes) && ::fsync(fd) == 0;
    if (::close(fd) != 0 || !written) {
        ::unlink(nativePath(to).c_str());
        return false;
    }
    return true;
}

bool removeFile(std::u16string_view path) {
    return usablePath(path) && (::unlink(nativePath(path).c_str()) == 0 || errno == ENOENT);
}

AtomicFileWriter::~AtomicFileWriter() { abandon(); }

bool AtomicFileWriter::fail(int errorNumber) {
    error_ = errorNumber;
    return false;
}

bool AtomicFileWriter::begin(std::u16string_view path) {
    abandon();
    error_ = 0;
    if (!usablePath(path))
        return fail(EINVAL);
    target_ = nativePath(path);
    struct stat st {};
    // A symbolic link (a settings file kept elsewhere, say) stays a link:
    // the file it names is the one replaced, in that file's own folder.
    if (::lstat(target_.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
        char* resolved = ::realpath(target_.c_str(), nullptr);
        if (resolved == nullptr) // leads nowhere: nothing to replace in place
            return fail(ENOENT);
        target_ = resolved;
        std::free(resolved);
    }
    // Only a regular file is replaced: a folder, a named pipe or a device
    // someone put there stays as it is.
    if (::stat(target_.c_str(), &st) == 0 && !S_ISREG(st.st_mode))
        return fail(S_ISDIR(st.st_mode) ? EISDIR : EINVAL);
    const auto slash = target_.rfind('/');
    const std::string folder = slash == std::string::npos ? std::string(".") : target_.substr(0, slash + 1);
    const std::string base = slash == std::string::npos ? target_ : target_.substr(slash + 1);
    std::string pattern = (slash == std::string::npos ? std::string() : folder) + "." + base + ".tmp-XXXXXX";
    fd_ = ::mkostemp(pattern.data(), O_CLOEXEC);
    if (fd_ < 0)
        return fail(errno);
    temporary_ = pattern;
    // Keep the permissions of the file being replaced, or the usual ones.
    ::fchmod(fd_, ::stat(target_.c_str(), &st) == 0 ? (st.st_mode & 07777) : 0644);
    return true;
}

bool AtomicFileWriter::commit(std::string_view bytes) {
    error_ = 0;
    if (fd_ < 0)
        return fail(EBADF);
    const bool durable = !scratchWrites;
    const bool written = writeAll(fd_, bytes) && (!durable || ::fsync(fd_) == 0);
    const int writeError = written ? 0 : errno;
    const bool closed = ::close(fd_) == 0;
    const int closeError = closed ? 0 : errno;
    fd_ = -1;
    if (!written || !closed) {
        ::unlink(temporary_.c_str());
        temporary_.clear();
        return fail(writeError != 0 ? writeError : closeError);
    }
    {
        std::lock_guard<std::mutex> lock(hookMutex());
        if (beforeRenameHook() && !beforeRenameHook()(target_)) {
            ::unlink(temporary_.c_str());
            temporary_.clear();
            return fail(EIO);
        }
    }
    if (::rename(temporary_.c_str(), target_.c_str()) != 0) {
        const int renameError = errno;
        ::unlink(temporary_.c_str());
        temporary_.clear();
        return fail(renameError);
    }
    temporary_.clear();
    if (!durable)
        return true;
    // Make the rename itself durable.
    const auto slash = target_.rfind('/');
    const std::string folder = slash == std::string::npos ? std::string(".") : (slash == 0 ? "/" : target_.substr(0, slash));
    const int dirFd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd >= 0) {
        ::fsync(dirFd);
        ::close(dirFd);
    }
    return true;
}

void AtomicFileWriter::abandon() {
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
    if (!temporary_.empty()) {
        ::unlink(temporary_.c_str());
        temporary_.clear();
    }
}

bool writeFileAtomically(std::u16string_view path, std::string_view bytes) {
    int ignored = 0;
    return writeFileAtomically(path, bytes, ignored);
}

bool writeFileAtomically(std::u16string_view path, std::string_view bytes, int& errorNumber) {
    AtomicFileWriter writer;
    const bool written = writer.begin(path) && writer.commit(bytes);
    errorNumber = written ? 0 : writer.lastError();
    return written;
}

bool isAtomicWriterTemporary(std::string_view fileName) {
    constexpr std::string_view kMarker = ".tmp-";
    constexpr size_t kRandom = 6; // mkostemp's XXXXXX
    if (fileName.size() < 1 + 1 + kMarker.size() + kRandom || fileName.front() != '.')
        return false;
    const std::string_view random = fileName.substr(fileName.size() - kRandom);
    for (const char c : random)
        if (std::isalnum(static_cast<unsigned char>(c)) == 0)
            return false;
    return fileName.substr(fileName.size() - kRandom - kMarker.size(), kMarker.size()) == kMarker;
}

size_t removeStaleFiles(std::u16string_view folder, std::chrono::system_clock::time_point before,
                        const std::function<bool(std::string_view fileName)>& matches) {
    if (!usablePath(folder))
        return 0;
    const int dirFd = ::open(nativePath(folder).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd < 0)
        return 0;
    DIR* dir = ::fdopendir(dirFd);
    if (dir == nullptr) {
        ::close(dirFd);
        return 0;
    }
    const auto limit = std::chrono::duration_cast<std::chrono::nanoseconds>(before.time_since_epoch()).count();
    size_t removed = 0;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string_view name = entry->d_name;
        if (!matches(name))
            continue;
        struct stat st {};
        if (::fstatat(dirFd, entry->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISREG(st.st_mode))
            continue;
        const long long changed = static_cast<long long>(st.st_mtim.tv_sec) * 1000000000LL + st.st_mtim.tv_nsec;
        if (changed < limit && ::unlinkat(dirFd, entry->d_name, 0) == 0)
            ++removed;
    }
    ::closedir(dir); // closes dirFd too
    return removed;
}

ScratchWriteScope::ScratchWriteScope() : previous_(scratchWrites) { scratchWrites = true; }
ScratchWriteScope::~ScratchWriteScope() { scratchWrites = previous_; }

void setBeforeRenameHookForTesting(std::function<bool(const std::string& target)> hook) {
    std::lock_guard<std::mutex> lock(hookMutex());
    beforeRenameHook() = std::move(hook);
}

} // namespace zelvon
