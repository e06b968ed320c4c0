#include "cli/watch_loading.h"

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
    if (list.load(path, context.settings, SystemClock()) || !fileExists(path))
        return true;
    context.err << "zelvon-cli: the watch list " << toUtf8(path)
                << " cannot be read (damaged or of another version); nothing was changed.\n";
    return false;
}

bool loadCatalogue(Context& context, ScriptCatalogue& catalogue) {
    if (catalogue.load(context.appFolder) == ScriptCatalogue::LoadStatus::Loaded)
        return true;
    context.err << toUtf8(kLoadErrorCaption) << ": " << toUtf8(catalogue.loadErrorText()) << '\n';
    return false;
}

} // namespace zelvon::cli
