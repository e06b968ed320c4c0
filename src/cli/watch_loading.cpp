#include "cli/watch_loading.h"

#include "cli/app_folder_guard.h"
#include "foundation/file_io.h"
#include "foundation/text_codec.h"
#include "watch/app_paths.h"
#include "watch/clock.h"
#include "watch/script_catalogue.h"
#include "watch/watch_list.h"

#include <ostream>

namespace zelvon::cli {

bool loadWatchList(Context& context, WatchList& list) {
    const std::u16string path = watchListFilePath(context.appFolder);
    list.load(path, context.settings, SystemClock());
    // An unreadable file is kept aside by the list's next save; say where.
    const std::u16string notice = list.takeSetAsideNotice();
    if (!notice.empty())
        context.err << "zelvon-cli: " << toUtf8(notice) << '\n';
    return true;
}

bool loadCatalogue(Context& context, ScriptCatalogue& catalogue) {
    if (catalogue.load(context.appFolder) == ScriptCatalogue::LoadStatus::Loaded)
        return true;
    context.err << toUtf8(kLoadErrorCaption) << ": " << toUtf8(catalogue.loadErrorText()) << '\n';
    return false;
}

int openForDownload(Context& context, AppFolderLock& lock, ScriptCatalogue& catalogue, WatchList* list) {
    if (const int locked = lockAppFolder(context, lock))
        return locked;
    if (!loadCatalogue(context, catalogue))
        return kExitCatalogue;
    if (list != nullptr && !loadWatchList(context, *list))
        return kExitFailed;
    return 0;
}

} // namespace zelvon::cli
