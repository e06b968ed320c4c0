#include "app/app_folder.h"

#include "foundation/text_codec.h"

#include <cstdlib>
#include <filesystem>
#include <unistd.h>

namespace zelvon {
namespace {

// Relative folders are pinned to the working folder once, at start-up, so
// no data path depends on where the process later stands.
std::u16string absoluteFolder(std::u16string folder) {
    if (!folder.empty() && folder.front() != u'/') {
        std::error_code error;
        const auto base = std::filesystem::current_path(error);
        if (!error)
            folder = fromUtf8((base / toUtf8(folder)).lexically_normal().string());
    }
    while (!folder.empty() && folder.back() == u'/')
        folder.pop_back();
    return folder;
}

std::u16string runningProgramPath() {
    char buffer[4096];
    const ssize_t length = ::readlink("/proc/self/exe", buffer, sizeof buffer);
    if (length <= 0 || static_cast<size_t>(length) >= sizeof buffer)
        return {};
    std::string path(buffer, static_cast<size_t>(length));
    // A program file replaced while it runs (a rebuild) is reported with
    // this suffix; its folder is still the right one.
    constexpr std::string_view kDeleted = " (deleted)";
    if (path.ends_with(kDeleted))
        path.erase(path.size() - kDeleted.size());
    return fromUtf8(path);
}

} // namespace

std::u16string appFolderFromProgramPath(std::u16string_view programPath) {
    const size_t slash = programPath.rfind(u'/');
    if (slash == std::u16string_view::npos)
        return std::u16string(programPath);
    return std::u16string(programPath.substr(0, slash));
}

std::u16string resolveAppFolder(const std::optional<std::string>& optionValue, const char* argv0) {
    if (optionValue && !optionValue->empty())
        return absoluteFolder(fromUtf8(*optionValue));
    if (const char* fromEnvironment = std::getenv("ZELVON_APP_FOLDER");
        fromEnvironment != nullptr && fromEnvironment[0] != '\0')
        return absoluteFolder(fromUtf8(fromEnvironment));
    if (const std::u16string program = runningProgramPath(); !program.empty())
        return appFolderFromProgramPath(program);
    if (argv0 == nullptr || argv0[0] == '\0')
        return absoluteFolder(u".");
    const std::u16string fromArgument = fromUtf8(argv0);
    // A bare program name was found on the search path, which tells us
    // nothing about its folder; the working folder is the best guess left.
    if (fromArgument.find(u'/') == std::u16string::npos)
        return absoluteFolder(u".");
    return absoluteFolder(appFolderFromProgramPath(fromArgument));
}

} // namespace zelvon

