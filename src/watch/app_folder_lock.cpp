#include "watch/app_folder_lock.h"

#include "foundation/file_io.h"
#include "foundation/text_codec.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace zelvon {

AppFolderLock::~AppFolderLock() { release(); }

std::u16string AppFolderLock::lockFilePath(std::u16string_view appFolder) {
    return std::u16string(appFolder) + u"/cache/zelvon.lock";
}

bool AppFolderLock::acquire(std::u16string_view appFolder, std::u16string& errorText) {
    if (fd_ >= 0)
        return true;
    heldElsewhere_ = false;
    const std::u16string path = lockFilePath(appFolder);
    // Close-on-exec, so a browser or helper started later does not keep the
    // folder locked after we end.
    const int fd = ::open(nativePath(path).c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0) {
        errorText += u"Could not open the lock file " + path + u": " + fromUtf8(std::strerror(errno));
        return false;
    }
    // flock locks belong to the open file description, so the kernel drops
    // it when the process ends, however it ends.
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int error = errno;
        ::close(fd);
        heldElsewhere_ = error == EWOULDBLOCK;
        if (heldElsewhere_)
            errorText += u"Another Zelvon process is working with the files of " + std::u16string(appFolder) +
                         u". Try again when it has finished.";
        else
            errorText += u"Could not lock " + path + u": " + fromUtf8(std::strerror(error));
        return false;
    }
    fd_ = fd;
    return true;
}

void AppFolderLock::release() {
    if (fd_ < 0)
        return;
    ::flock(fd_, LOCK_UN);
    ::close(fd_);
    fd_ = -1;
}

} // namespace zelvon
