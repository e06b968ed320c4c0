#include "watch/app_folder_lock.h"

#include "foundation/file_io.h"
#include "foundation/text_codec.h"
#include "watch/leftover_files.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace zelvon {
namespace {

// The locks this process holds, for writers that only know a file's path.
std::mutex& heldMutex() {
    static std::mutex m;
    return m;
}

std::vector<const AppFolderLock*>& heldLocks() {
    static std::vector<const AppFolderLock*> locks;
    return locks;
}

std::u16string withoutTrailingSlashes(std::u16string_view folder) {
    while (folder.size() > 1 && folder.back() == u'/')
        folder.remove_suffix(1);
    return std::u16string(folder);
}

bool covers(const std::u16string& folder, std::u16string_view path) {
    if (path.size() <= folder.size() || path.compare(0, folder.size(), folder) != 0)
        return false;
    return folder == u"/" || path[folder.size()] == u'/';
}

std::u16string systemMessage(int error) { return fromUtf8(std::strerror(error)); }

} // namespace

AppFolderLock::~AppFolderLock() { release(); }

bool AppFolderLock::acquire(std::u16string_view appFolder, std::u16string& errorText) {
    if (fd_ >= 0)
        return true;
    heldElsewhere_ = false;
    const std::u16string folder = withoutTrailingSlashes(appFolder);
    // A folder without its cache folder is not an application folder (a
    // mistyped --app-folder, say): nothing could be saved there anyway.
    const std::u16string cache = folder + u"/cache";
    struct stat cacheInfo {};
    if (::stat(nativePath(cache).c_str(), &cacheInfo) != 0) {
        errorText += u"Could not lock the application folder: " + cache + u": " + systemMessage(errno);
        return false;
    }
    if (!S_ISDIR(cacheInfo.st_mode)) {
        errorText += u"Could not lock the application folder: " + cache + u" is not a folder.";
        return false;
    }
    // Close-on-exec, so a browser or helper started later does not keep the
    // folder locked after we end.
    const int fd = ::open(nativePath(folder).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        errorText += u"Could not open the application folder " + folder + u": " + systemMessage(errno);
        return false;
    }
    // flock locks belong to the open file description, so the kernel drops
    // it when the process ends, however it ends.
    struct stat info {};
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0 || ::fstat(fd, &info) != 0) {
        const int error = errno;
        ::close(fd);
        heldElsewhere_ = error == EWOULDBLOCK;
        if (heldElsewhere_)
            errorText += u"Another Zelvon process is working with the files of " + folder +
                         u". Try again when it has finished.";
        else
            errorText += u"Could not lock the application folder " + folder + u": " + systemMessage(error);
        return false;
    }
    fd_ = fd;
    device_ = info.st_dev;
    inode_ = info.st_ino;
    folder_ = folder;
    {
        const std::lock_guard<std::mutex> guard(heldMutex());
        heldLocks().push_back(this);
    }
    // Whatever a killed run left behind is older than this moment; what is
    // younger cannot exist, as nobody else may write here now.
    removeLeftoverFiles(folder_, std::chrono::system_clock::now());
    return true;
}

void AppFolderLock::release() {
    if (fd_ < 0)
        return;
    {
        const std::lock_guard<std::mutex> guard(heldMutex());
        auto& locks = heldLocks();
        locks.erase(std::remove(locks.begin(), locks.end(), this), locks.end());
    }
    ::flock(fd_, LOCK_UN);
    ::close(fd_);
    fd_ = -1;
}

bool AppFolderLock::stillHeld(std::u16string& errorText) const {
    if (fd_ < 0) {
        errorText += u"The application folder is not locked by this process.";
        return false;
    }
    struct stat info {};
    if (::stat(nativePath(folder_).c_str(), &info) != 0) {
        errorText += u"The application folder " + folder_ + u" was moved or removed while Zelvon was working (" +
                     systemMessage(errno) + u"); nothing more is saved there.";
        return false;
    }
    if (info.st_dev != device_ || info.st_ino != inode_) {
        errorText += u"The application folder " + folder_ +
                     u" was replaced by another folder while Zelvon was working; nothing more is saved there.";
        return false;
    }
    return true;
}

bool AppFolderLock::confirmHeldFor(std::u16string_view path, std::u16string& errorText) {
    const std::lock_guard<std::mutex> guard(heldMutex());
    for (const AppFolderLock* lock : heldLocks()) {
        if (covers(lock->folder_, path) && !lock->stillHeld(errorText))
            return false;
    }
    return true;
}

} // namespace zelvon
