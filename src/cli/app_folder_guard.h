#pragma once

#include "cli/command.h"

namespace zelvon {
class AppFolderLock;
}

namespace zelvon::cli {

// Takes the application folder's lock for a command that downloads into or
// writes the folder's files: 0 when taken, otherwise the exit code the
// command must stop with before touching anything, the user told why.
// kExitBusy only when another process holds it; a folder without a cache
// folder (a mistyped --app-folder) is no reason to try again later, so
// that gives kExitFailed.
[[nodiscard]] int lockAppFolder(Context& context, AppFolderLock& lock);

} // namespace zelvon::cli
