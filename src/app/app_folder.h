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

// The folder in force: the --app-folder option when given, else the
// ZELVON_APP_FOLDER environment variable when set and not empty, else the
// folder of the running program file (argv0 as a last resort). A trailing
// "/" of an override is dropped.
std::u16string resolveAppFolder(const std::optional<std::string>& optionValue, const char* argv0);

} // namespace zelvon
