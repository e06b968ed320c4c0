#pragma once
// One Zelvon process at a time may change the files of an application
// folder: the lists, the caches and the shared work file. Every command that
// writes a list or downloads holds this lock for its whole run (the window
// for as long as it is open); a second process is turned away at once
// instead of waiting or interleaving its writes.

#include <string>
#include <string_view>

namespace zelvon {

class AppFolderLock {
public:
    AppFolderLock() = default;
    ~AppFolderLock();
    AppFolderLock(const AppFolderLock&) = delete;
    AppFolderLock& operator=(const AppFolderLock&) = delete;

    // appFolder + "/cache/zelvon.lock".
    static std::u16string lockFilePath(std::u16string_view appFolder);

    // Takes the lock without waiting. False, with a message for the user in
    // `errorText`, when another process holds it or the lock file cannot be
    // opened (for instance when the cache folder is missing).
    bool acquire(std::u16string_view appFolder, std::u16string& errorText);
    void release();
    bool isHeld() const { return fd_ >= 0; }
    // After a failed acquire: true when another process holds the lock
    // (worth trying again later), false when the lock file could not be
    // opened or locked at all.
    bool heldElsewhere() const { return heldElsewhere_; }

private:
    int fd_ = -1;
    bool heldElsewhere_ = false;
};

} // namespace zelvon
