#pragma once
// Files a run writes only for a moment: the temporary twin of every file
// replaced atomically, and the per-job scratch files of a parallel check.
// A run that is killed leaves them behind (a full-size copy of the watch
// list, say); the next run that locks the folder clears them away.

#include <chrono>
#include <cstddef>
#include <string_view>

namespace zelvon {

// True for the name of a parallel check's per-job work or output file
// ("job-" + number + "-workspace.htm" or "-productTemp.txt").
bool isJobScratchFile(std::string_view fileName);

// Removes such files from the folders the program writes (cache, scripts,
// data) when they were last changed before `before`: only the program's own
// names, only regular files. The caller holds the folder's lock. Returns
// how many were removed.
size_t removeLeftoverFiles(std::u16string_view appFolder, std::chrono::system_clock::time_point before);

} // namespace zelvon
