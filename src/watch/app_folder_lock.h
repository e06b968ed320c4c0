#pragma once
// One Zelvon process at a time may change the files of an application
// folder: the lists, the caches and the shared work file. Every command that
// writes a list or downloads holds this lock for its whole run (the window
// for as long as it is open); a second process is turned away at once
// instead of waiting or interleaving its writes.
//
// The lock is taken on the application folder itself, not on a file in it:
// a lock file can be deleted or replaced (by a user tidying up, or by data
// that names it), after which a second process would lock a new file and
// write alongside the first. The folder cannot be replaced under a running
// process without its path naming another folder, and that is checked
// before each save of a list (confirmHeldFor), so a lost lock stops the
// run instead of overwriting what another process wrote.

#include <string>
#include <string_view>
#include <sys/types.h>

namespace zelvon {

class AppFolderLock {
public:
    AppFolderLock() = default;
    ~AppFolderLock();
    AppFolderLock(const AppFolderLock&) = delete;
    AppFolderLock& operator=(const AppFolderLock&) = delete;

    // Takes the lock without waiting. False, with a message for the user in
    // `errorText`, when another process holds it or the folder cannot be
    // locked (it or its cache folder is missing). Once taken, the program's
    // temporary files left by earlier runs that were killed are removed.
    bool acquire(std::u16string_view appFolder, std::u16string& errorText);
    void release();
    bool isHeld() const { return fd_ >= 0; }
    // After a failed acquire: true when another process holds the lock
    // (worth trying again later), false when the folder could not be
    // opened or locked at all.
    bool heldElsewhere() const { return heldElsewhere_; }

    // True while the path the lock was taken by still names the folder that
    // is locked. False, with the reason in `errorText`, once that folder was
    // renamed, removed or replaced: another process may then hold a lock on
    // whatever the path names now.
    bool stillHeld(std::u16string& errorText) const;

    // Before a file is written below a folder this process has locked:
    // true when no lock of this process covers `path`, or every one that
    // does is still held; otherwise false with the reason in `errorText`.
    static bool confirmHeldFor(std::u16string_view path, std::u16string& errorText);

private:
    int fd_ = -1;
    dev_t device_ = 0;
    ino_t inode_ = 0;
    std::u16string folder_;
    bool heldElsewhere_ = false;
};

} // namespace zelvon
