#include "cli/app_folder_guard.h"

#include "foundation/text_codec.h"
#include "watch/app_folder_lock.h"

#include <ostream>

namespace zelvon::cli {

int lockAppFolder(Context& context, AppFolderLock& lock) {
    std::u16string lockError;
    if (lock.acquire(context.appFolder, lockError))
        return 0;
    context.err << "zelvon-cli: " << toUtf8(lockError) << " Nothing was changed.\n";
    return lock.heldElsewhere() ? kExitBusy : kExitFailed;
}

} // namespace zelvon::cli
