// The commands of the tree view that need no dialog: routing by id, Remove,
// Mark As New, Help, the store lists and adding from them.

#include "ui/vertrel_view.h"

#include "ui/busy_scope.h"
#include "ui/command_ids.h"
#include "ui/view_dialog_commands.h"
#include "watch/add_product.h"
#include "watch/record_commands.h"
#include "watch/store_lists.h"

#include <QDesktopServices>
#include <QTreeWidget>
#include <QUrl>

namespace zelvon::ui {

void CVertrelView::runCommand(int id) {
    // The last check's outcome stays in the status bar until the next command.
    if (id != ID_CANCEL_DOWNLOAD)
        emit outcomeText({});
    switch (id) {
    case ID_ADD_PRODUCT: runAddProductCommand(*this); break;
    case ID_RELOAD_ALL:
        // An empty watch list still gets the store lists, so a first run
        // finds products to add.
        if (watchBranchEmpty())
            reloadStoreListsOnly();
        else
            checkAll(true);
        break;
    case ID_CHECK_ALL: checkAll(false); break;
    case ID_CHECK_ONE: checkOne(); break;
    case ID_CANCEL_DOWNLOAD:
        if (busy_ || batchRun_)
            cancelDownload();
        break;
    case ID_MARK_NEW: markSelectedNew(); break;
    case ID_REMOVE: removeSelected(); break;
    case ID_RELOAD_WHATSNEW: reloadStoreList(StoreListKind::WhatsNew); break;
    case ID_RELOAD_BESTSELLING: reloadStoreList(StoreListKind::BestSelling); break;
    case ID_ADD_FROM_WHATSNEW: addFromStoreList(StoreListKind::WhatsNew); break;
    case ID_ADD_FROM_BESTSELLING: addFromStoreList(StoreListKind::BestSelling); break;
    case ID_PREFERENCES: runPreferencesCommand(*this); break;
    case ID_NETWORK: runNetworkConnectionCommand(*this); break;
    case ID_CHECK_SCRIPTS: runCheckParsingScriptsCommand(*this); break;
    case ID_HELP: openHelp(); break;
    default: break;
    }
}

bool CVertrelView::watchBranchEmpty() const { return watchGroup_ != nullptr && watchGroup_->childCount() == 0; }

void CVertrelView::reloadStoreListsOnly() {
    if (busy_ || batchRun_)
        return;
    // The same order as at the end of a run over the products.
    if (whatsNewGroup_ != nullptr)
        reloadStoreListAfterBatch(StoreListKind::WhatsNew, QString());
    if (bestGroup_ != nullptr)
        reloadStoreListAfterBatch(StoreListKind::BestSelling, QString());
}

void CVertrelView::reloadStoreList(StoreListKind kind) {
    // The list download shares the work file with a product download, so it
    // waits until none runs; meanwhile the download commands are greyed.
    if (busy_ || storeBranch(kind) == nullptr)
        return;
    setBusy(true);
    refillStoreBranch(kind, true);
    setBusy(false);
}

void CVertrelView::removeSelected() {
    QTreeWidgetItem* item = selectedItem();
    if (item == nullptr || busy_ || kindOf(item) != KIND_WATCHED_PRODUCT)
        return;
    {
        // No run may start on this product while the question is open.
        BusyScope busy(*this);
        if (!flowUi_.askYesNo(kRemoveProductQuestion, kRemoveProductCaption))
            return;
    }
    const size_t index = recordIndex(item);
    delete item;
    if (!removeProduct(watchList_, index))
        flowUi_.showMessage(withSaveReason(u"Could not save the watch list to " + watchList_.path(), watchList_), u"Error");
}

void CVertrelView::markSelectedNew() {
    QTreeWidgetItem* item = selectedItem();
    if (item == nullptr || kindOf(item) != KIND_WATCHED_PRODUCT)
        return;
    const size_t index = recordIndex(item);
    const bool saved = toggleMarkNew(watchList_, index);
    const auto record = watchList_.record(index);
    if (!record)
        return;
    setEntryImage(item, record->isNew != 0);
    renderItem(item);
    if (!saved)
        flowUi_.showMessage(withSaveReason(u"Could not save the watch list to " + watchList_.path(), watchList_), u"Error");
}

void CVertrelView::openHelp() {
    QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdU16String(appFolder_ + u"/help/zelvonhelp.htm")));
}

void CVertrelView::addFromStoreList(StoreListKind kind) {
    QTreeWidgetItem* item = selectedItem();
    const int entryKind = kind == StoreListKind::WhatsNew ? KIND_WHATSNEW_ENTRY : KIND_BESTSELLING_ENTRY;
    if (item == nullptr || busy_ || kindOf(item) != entryKind)
        return;
    const auto storeRecord = storeList(kind).record(recordIndex(item));
    if (!storeRecord)
        return;
    setBusy(true);
    const auto added = addFromStoreRecord(watchList_, *storeRecord, flowContext());
    setBusy(false);
    // Entries added from a store list stay last until the next start.
    if (added)
        insertWatchEntry(*added, false);
}

} // namespace zelvon::ui
