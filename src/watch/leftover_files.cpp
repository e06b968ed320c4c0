#include "watch/leftover_files.h"

#include "foundation/file_io.h"

#include <string>

namespace zelvon {

bool isJobScratchFile(std::string_view fileName) {
    constexpr std::string_view kPrefix = "job-";
    if (fileName.substr(0, kPrefix.size()) != kPrefix)
        return false;
    size_t i = kPrefix.size();
    const size_t digits = i;
    while (i < fileName.size() && fileName[i] >= '0' && fileName[i] <= '9')
        ++i;
    if (i == digits)
        return false;
    const std::string_view rest = fileName.substr(i);
    return rest == "-workspace.htm" || rest == "-productTemp.txt";
}

size_t removeLeftoverFiles(std::u16string_view appFolder, std::chrono::system_clock::time_point before) {
    const std::u16string folder(appFolder);
    size_t removed = removeStaleFiles(folder + u"/cache", before, [](std::string_view name) {
        return isAtomicWriterTemporary(name) || isJobScratchFile(name);
    });
    // A script update replaces files in the script folders the same way.
    for (const std::u16string_view sub : {u"/scripts", u"/data"})
        removed += removeStaleFiles(folder + std::u16string(sub), before, isAtomicWriterTemporary);
    return removed;
}

} // namespace zelvon
