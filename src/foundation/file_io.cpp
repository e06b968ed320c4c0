#include "foundation/file_io.h"

#include "foundation/text_codec.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
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

} // namespace

std::string nativePath(std::u16string_view path) { return toUtf8(path); }

bool readFileBytes(std::u16string_view path, std::string& bytes) {
    bytes.clear();
    if (!usablePath(path))
        return false;
    // Non-blocking open, so a named pipe in place of a data file cannot
    // hang the program waiting for a writer; only regular files are read.
    const int fd = ::open(nativePath(path).c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return false;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return false;
    }
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
        if (char* resolved = ::realpath(target_.c_str(), nullptr)) {
            target_ = resolved;
            std::free(resolved);
        }
    }
    if (::stat(target_.c_str(), &st) == 0 && S_ISDIR(st.st_mode))
        return fail(EISDIR);
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

ScratchWriteScope::ScratchWriteScope() : previous_(scratchWrites) { scratchWrites = true; }
ScratchWriteScope::~ScratchWriteScope() { scratchWrites = previous_; }

void setBeforeRenameHookForTesting(std::function<bool(const std::string& target)> hook) {
    std::lock_guard<std::mutex> lock(hookMutex());
    beforeRenameHook() = std::move(hook);
}

} // namespace zelvon
