#pragma once

#include "cli/command.h"

namespace zelvon {
class AppFolderLock;
}

namespace zelvon::cli {

// Takes the application folder's lock for a command that downloads into or
// writes the folder's files. When another process holds it (or the cache
// folder is missing) the user is told so and the command must stop before
// touching anything.
bool lockAppFolder(Context& context, AppFolderLock& lock);

} // namespace zelvon::cli
