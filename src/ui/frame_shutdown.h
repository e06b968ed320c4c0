#pragma once
// What the frame does when it goes: back up the three list files and move
// the stored divider when the pane order changes at the next start.

#include <string_view>

namespace zelvon::ui {

// Copies productList, whatsNewList and bestList to their ...BK.txt backups,
// each on its own: a missing source or a failed write leaves that backup
// as it was and is not reported. Each backup is replaced atomically.
void backupListFiles(std::u16string_view appFolder);

// The upper pane's height once the panes swap: what was below the divider
// (client height minus the stored position) goes on top.
int convertedSplitterPos(int clientHeight, int storedPos);

} // namespace zelvon::ui
