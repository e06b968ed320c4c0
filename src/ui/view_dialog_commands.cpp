#include "ui/view_dialog_commands.h"

#include "app/settings_store.h"
#include "foundation/formatting.h"
#include "ui/busy_scope.h"
#include "ui/dialogs/CAddProductDlg.h"
#include "ui/dialogs/CNetworkDlg.h"
#include "ui/dialogs/CPrefsDlg.h"
#include "ui/vertrel_view.h"
#include "watch/add_product.h"
#include "watch/clock.h"
#include "watch/script_update.h"

namespace zelvon::ui {
void runAddProductCommand(CVertrelView& view) {
    if (view.isBusy() || view.isBatchRun())
        return;
    FlowContext context = view.flowContext();
    // The limit comes before the dialog, so the user types nothing in vain.
    if (!watchListHasRoom(view.watchList(), context.ui))
        return;
    // The time the command started stamps the new record.
    const std::u16string stamp = formatDateTime(context.clock.now());
    // The dialog's lookups write the work file and "productTemp.txt", which
    // an update run shares; busy keeps a run (the start-up reload's timer
    // fires inside the dialog's event loop) from starting until the output
    // has been read.
    BusyScope busy(view);
    CAddProductDlg dialog(context, view.window(), &view.watchList());
    if (dialog.exec() != QDialog::Accepted || !dialog.lookup())
        return;
    bool saved = true;
    const std::vector<size_t> added =
        appendLookedUpProduct(view.watchList(), *dialog.lookup(), stamp, view.appFolder(), &saved);
    // Only the last entry sorts the branch: sorting moves items, and every
    // entry is in place by then.
    for (size_t i = 0; i < added.size(); ++i)
        view.insertWatchEntry(added[i], i + 1 == added.size());
    if (!added.empty() && !saved)
        context.ui.showMessage(
            withSaveReason(u"Could not save the watch list to " + view.watchList().path(), view.watchList()), u"Error");
}

void runPreferencesCommand(CVertrelView& view) {
    if (view.isBusy() || view.isBatchRun())
        return;
    const int oldShowBest = view.settings().readInt(u"Prefs", u"ShowBestSelling", 1);
    const int oldShowWhatsNew = view.settings().readInt(u"Prefs", u"ShowWhatsNew", 1);
    {
        BusyScope busy(view);
        // The dialog stores its values as it closes; the branches follow
        // the stored values, not the dialog's.
        CPrefsDlg dialog(view.settings(), view.window());
        dialog.exec();
    }
    view.applyStoreListPreferences(oldShowBest, oldShowWhatsNew);
}

void runNetworkConnectionCommand(CVertrelView& view) {
    if (view.isBusy() || view.isBatchRun())
        return;
    {
        // Its connection test downloads, and a run must not start with the
        // proxy values about to change.
        BusyScope busy(view);
        CNetworkDlg dialog(view.settings(), view.appFolder(), view.window());
        dialog.exec();
    }
    // The next download of the view uses what was just stored.
    view.reloadProxySettings();
}

void runCheckParsingScriptsCommand(CVertrelView& view) {
    if (view.isBusy() || view.isBatchRun())
        return;
    FlowContext context = view.flowContext();
    if (!context.ui.askYesNo(kScriptUpdateQuestion, u"Confirm"))
        return;
    // A run may have started while the question was open (the start-up
    // reload's timer); it owns busy and the work file, so the guard holds.
    if (view.isBusy() || view.isBatchRun())
        return;
    // Busy keeps every other download off the shared work file meanwhile.
    BusyScope busy(view);
    runScriptUpdate(context);
}

} // namespace zelvon::ui
