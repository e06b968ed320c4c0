#pragma once
// Names of files that come from data (a script update's destination, a
// transformer's data file, an extraction script's cache name) are written
// by a server, not by the user. These helpers keep such a name inside the
// folder it is meant for: no absolute path, no "..", no symbolic link that
// leads out.

#include <optional>
#include <string>
#include <string_view>

namespace zelvon {

// `base` + "/" + `relativeName` (each "\" turned into "/"), or nothing when
// the name is empty, absolute, has a ".." component, or its deepest
// existing ancestor resolves (through symbolic links) outside the resolved
// `base`. A `base` that does not exist contains nothing.
std::optional<std::u16string> containedPath(std::u16string_view base, std::u16string_view relativeName);

// Creates the missing folders between `base` and the file `fullPath` (a
// result of containedPath). Each folder is checked again just before it is
// made, so a link planted on the way cannot lead the creation out of
// `base`. False when a folder cannot be made or would lie outside.
bool createFoldersInside(std::u16string_view base, std::u16string_view fullPath);

} // namespace zelvon
