#pragma once
// The application folder: every data path is this folder followed by a
// relative path that starts with "/".

#include <optional>
#include <string>
#include <string_view>

namespace zelvon {

// Everything before the last "/" of the program's path ("/opt/z/bin/zelvon"
// gives "/opt/z/bin", "/zelvon" gives ""); a path without "/" stays whole.
std::u16string appFolderFromProgramPath(std::u16string_view programPath);

// The shipped application data of an installed program, "../share/zelvon"
// beside the program's folder, when that folder exists; empty otherwise (the
// program runs from its build folder).
std::u16string packagedDataFolder(std::u16string_view programFolder);

// An installed program's folder for this user: $XDG_DATA_HOME/Tervane/Zelvon
// (an absolute $XDG_DATA_HOME only), else ~/.local/share/Tervane/Zelvon.
std::u16string userAppFolder();

struct AppFolderChoice {
    std::u16string folder;
    // Set only when `folder` is the user's own folder of an installed
    // program: the read-only data it is seeded from.
    std::u16string packagedData;
};

// The folder in force: the --app-folder option when given, else the
// ZELVON_APP_FOLDER environment variable when set and not empty, else, for
// an installed program, the user's own folder, else the folder of the
// running program file (argv0 as a last resort). A trailing "/" of an
// override is dropped.
AppFolderChoice chooseAppFolder(const std::optional<std::string>& optionValue, const char* argv0);
std::u16string resolveAppFolder(const std::optional<std::string>& optionValue, const char* argv0);

} // namespace zelvon
