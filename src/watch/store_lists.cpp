#include "watch/store_lists.h"

#include "watch/app_paths.h"
#include "watch/download_job.h"
#include "watch/flow_context.h"
#include "watch/flow_ui.h"
#include "watch/product_output.h"
#include "watch/script_catalogue.h"
#include "watch/watch_list.h"

namespace zelvon {

namespace {

const CatalogueEntry& catalogueEntry(const ScriptCatalogue& catalogue, StoreListKind kind) {
    return kind == StoreListKind::WhatsNew ? catalogue.whatsNew() : catalogue.bestSelling();
}

// Replaces the cached list with the output's entries. The old file is
// rewritten only when the output is a list at all (it has a `root`); an
// output the script could not shape keeps the previous list. False only
// when the new list could not be saved (the previous file stays whole).
bool storeDownloadedList(StoreListKind kind, WatchList& list, const FlowContext& context,
                         std::u16string_view outputPath) {
    list.load(storeListFilePath(context.appFolder, kind), context.settings, context.clock);
    // Flagged records leave the file at the save below and the list at the
    // load that follows: the list starts empty without a second path.
    for (size_t i = 0; i < list.count(); ++i)
        list.markRemoved(i);
    const bool isList = forEachOutputChild(outputPath, u"node", [&](const XmlNode& node) {
        ProductRecord record;
        record.productID = outputField(node, u"productID");
        readProductFields(node, record);
        record.productURL = context.catalogue.detailUrl(record.productID);
        list.append(record);
    });
    return !isList || list.save();
}

} // namespace

std::u16string storeListFilePath(std::u16string_view appFolder, StoreListKind kind) {
    return appFile(appFolder, kind == StoreListKind::WhatsNew ? u"/cache/whatsNewList.txt" : u"/cache/bestList.txt");
}

std::u16string storeListOutputFilePath(std::u16string_view appFolder) {
    return appFile(appFolder, u"/cache/whatsnewTemp.txt");
}

std::u16string_view storeListCaption(StoreListKind kind) {
    return kind == StoreListKind::WhatsNew ? u"Failed to Get What's New List" : u"Failed to Get Best Selling List";
}

std::u16string_view storeListBranchText(StoreListKind kind) {
    return kind == StoreListKind::WhatsNew ? u"What's New List" : u"Best Selling List";
}

bool fillStoreList(StoreListKind kind, bool download, WatchList& list, const FlowContext& context) {
    const WaitCursorScope wait(context.ui);
    if (download) {
        const CatalogueEntry& entry = catalogueEntry(context.catalogue, kind);
        DownloadJob job;
        job.appFolder = context.appFolder;
        job.url = entry.url;
        job.scriptPath = context.catalogue.scriptPath(entry);
        job.outputPath = storeListOutputFilePath(context.appFolder);
        job.workspacePath = workspaceFilePath(context.appFolder);
        job.proxy = context.proxy;
        const DownloadResult result = runDownloadJob(job);
        if (!result.success) {
            context.ui.showFailureMessage(result.errorText, storeListCaption(kind), result.failure);
            return false;
        }
        if (!storeDownloadedList(kind, list, context, job.outputPath)) {
            // A full disk must not pass for a fresh list: say so, and show
            // the list that is still on disk.
            context.ui.showFailureMessage(u"Could not save the list to " + storeListFilePath(context.appFolder, kind),
                                          storeListCaption(kind), list.lastSaveFailure());
            list.load(storeListFilePath(context.appFolder, kind), context.settings, context.clock);
            return false;
        }
    }
    list.load(storeListFilePath(context.appFolder, kind), context.settings, context.clock);
    return true;
}

} // namespace zelvon
