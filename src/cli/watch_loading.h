#pragma once
// Loading the script catalogue and the watch list for a command, with the
// user told on standard error when either cannot be used.

#include "cli/command.h"

namespace zelvon {
class AppFolderLock;
class ScriptCatalogue;
class WatchList;
}

namespace zelvon::cli {

// Loads the watch list with the new marks aged. A missing file is the
// normal first start and gives an empty list; a file that exists but cannot
// be read as a list also gives an empty list, with the user told on
// standard error under which name the list's next save keeps that file.
// Always true today; kept as a result for callers that stop on failure.
bool loadWatchList(Context& context, WatchList& list);

// False, with the "Load Error" text printed, when the catalogue is missing
// or damaged.
bool loadCatalogue(Context& context, ScriptCatalogue& catalogue);

// The start of a command that downloads into the folder: its lock, the
// catalogue and, when `list` is given, the watch list, in that order. 0, or
// the exit code the command stops with (the user has been told why).
int openForDownload(Context& context, AppFolderLock& lock, ScriptCatalogue& catalogue, WatchList* list);

} // namespace zelvon::cli
