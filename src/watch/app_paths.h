#pragma once
// The files below the application folder that the flows and the command
// line share, named in one place.

#include <string>
#include <string_view>

namespace zelvon {

inline std::u16string appFile(std::u16string_view appFolder, std::u16string_view relative) {
    return std::u16string(appFolder) + std::u16string(relative);
}

// Every download goes through this one work file, so downloads of the same
// folder must not overlap.
inline std::u16string workspaceFilePath(std::u16string_view appFolder) { return appFile(appFolder, u"/cache/workspace.htm"); }
inline std::u16string productTempFilePath(std::u16string_view appFolder) { return appFile(appFolder, u"/cache/productTemp.txt"); }
inline std::u16string watchListFilePath(std::u16string_view appFolder) { return appFile(appFolder, u"/cache/productList.txt"); }

} // namespace zelvon
