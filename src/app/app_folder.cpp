#include "app/app_folder.h"

#include "foundation/text_codec.h"

#include <cstdlib>
#include <filesystem>
#include <pwd.h>
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

std::u16string packagedDataFolder(std::u16string_view programFolder) {
    // An empty folder is the root of the file system.
    const std::filesystem::path base = programFolder.empty() ? std::string("/") : toUtf8(programFolder);
    const std::filesystem::path data = (base / ".." / "share" / "zelvon").lexically_normal();
    std::error_code error;
    if (!std::filesystem::is_directory(data, error))
        return {};
    std::string text = data.string();
    while (text.size() > 1 && text.back() == '/')
        text.pop_back();
    return fromUtf8(text);
}

std::u16string userAppFolder() {
    // XDG: a relative $XDG_DATA_HOME is invalid and is ignored.
    if (const char* dataHome = std::getenv("XDG_DATA_HOME"); dataHome != nullptr && dataHome[0] == '/')
        return absoluteFolder(fromUtf8(dataHome)) + u"/Tervane/Zelvon";
    std::string home;
    if (const char* fromEnvironment = std::getenv("HOME"); fromEnvironment != nullptr && fromEnvironment[0] != '\0') {
        home = fromEnvironment;
    } else if (const passwd* entry = ::getpwuid(::getuid()); entry != nullptr && entry->pw_dir != nullptr) {
        home = entry->pw_dir;
    }
    return absoluteFolder(fromUtf8(home)) + u"/.local/share/Tervane/Zelvon";
}

AppFolderChoice chooseAppFolder(const std::optional<std::string>& optionValue, const char* argv0) {
    if (optionValue && !optionValue->empty())
        return {absoluteFolder(fromUtf8(*optionValue)), {}};
    if (const char* fromEnvironment = std::getenv("ZELVON_APP_FOLDER");
        fromEnvironment != nullptr && fromEnvironment[0] != '\0')
        return {absoluteFolder(fromUtf8(fromEnvironment)), {}};
    std::u16string programFolder;
    if (const std::u16string program = runningProgramPath(); !program.empty()) {
        programFolder = appFolderFromProgramPath(program);
    } else {
        const std::u16string fromArgument = argv0 != nullptr ? fromUtf8(argv0) : std::u16string();
        // A bare program name was found on the search path, which tells us
        // nothing about its folder; the working folder is the best guess left.
        programFolder = fromArgument.find(u'/') == std::u16string::npos
                            ? absoluteFolder(u".")
                            : absoluteFolder(appFolderFromProgramPath(fromArgument));
    }
    // An installed program never writes below its install prefix: its data
    // lives in the user's own folder, seeded from the shipped copy.
    if (std::u16string packaged = packagedDataFolder(programFolder); !packaged.empty())
        return {userAppFolder(), std::move(packaged)};
    return {std::move(programFolder), {}};
}

std::u16string resolveAppFolder(const std::optional<std::string>& optionValue, const char* argv0) {
    return chooseAppFolder(optionValue, argv0).folder;
}

} // namespace zelvon

