#include "ui/frame_shutdown.h"

#include "foundation/file_io.h"
#include "watch/app_paths.h"

#include <string>

namespace zelvon::ui {

void backupListFiles(std::u16string_view appFolder) {
    static constexpr std::u16string_view kCopies[][2] = {
        {u"/cache/productList.txt", u"/cache/productListBK.txt"},
        {u"/cache/whatsNewList.txt", u"/cache/whatsnewListBK.txt"},
        {u"/cache/bestList.txt", u"/cache/bestListBK.txt"},
    };
    for (const auto& copy : kCopies) {
        std::string bytes;
        if (readFileBytes(appFile(appFolder, copy[0]), bytes))
            writeFileAtomically(appFile(appFolder, copy[1]), bytes);
    }
}

int convertedSplitterPos(int clientHeight, int storedPos) { return clientHeight - storedPos; }

} // namespace zelvon::ui
