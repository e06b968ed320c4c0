#pragma once
// Names of files that come from data (a script update's destination, a
// transformer's data file, an extraction script's cache name) are written
// by a server, not by the user. These helpers keep such a name inside the
// folder it is meant for: no absolute path, no "..", no symbolic link that
// leads out.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zelvon {

// `base` + "/" + `relativeName` (each "\" turned into "/"), or nothing when
// the name is empty, absolute, has a ".." component, or its deepest
// existing ancestor resolves (through symbolic links) outside the resolved
// `base`. A `base` that does not exist contains nothing.
std::optional<std::u16string> containedPath(std::u16string_view base, std::u16string_view relativeName);

// The name's components ("\" taken for "/", empty and "." parts dropped),
// as containedPath reads it; nothing when the name is empty, absolute,
// has a ".." component or names no file.
std::optional<std::vector<std::u16string>> relativePathComponents(std::u16string_view relativeName);

// True when `fullPath`, its existing part resolved through symbolic links,
// lies inside the existing folder `folder` (or is that folder). For a name
// already kept inside a base, to keep it out of one of the base's folders.
bool resolvesInside(std::u16string_view folder, std::u16string_view fullPath);

// Creates the missing folders between `base` and the file `fullPath` (a
// result of containedPath), one step at a time from the folder made last,
// so the cost grows with the depth alone. A symbolic link on the way is
// followed only when it leads to a folder inside `base`, checked just
// before it is entered, so a link planted on the way cannot lead the
// creation out. False when a folder cannot be made or would lie outside.
bool createFoldersInside(std::u16string_view base, std::u16string_view fullPath);

} // namespace zelvon
