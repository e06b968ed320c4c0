#pragma once
// An exclusive advisory lock (flock) held on a lock file for the lifetime of
// the object. The lock file is separate from the data file it guards: the
// data file is replaced by renaming, which would leave a lock on the old
// inode behind. Threads and processes alike exclude each other, because
// each FileLock opens the lock file anew.

#include <chrono>
#include <string>

namespace zelvon {

class FileLock {
public:
    // Waits at most `patience` for the lock, so a stopped process that holds
    // it cannot hang the caller; check isLocked() afterwards.
    explicit FileLock(const std::string& lockPath,
                      std::chrono::milliseconds patience = std::chrono::milliseconds(10000));
    ~FileLock();
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;

    bool isLocked() const { return locked_; }

private:
    int fd_ = -1;
    bool locked_ = false;
};

} // namespace zelvon
