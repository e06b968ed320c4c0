#include "ui/view_dialog_commands.h"

#include "app/settings_store.h"
#include "foundation/formatting.h"
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
    if (!watchListHasRoom(view.watchList(), context.ui))
        return;
    // The time the command started stamps the new record.
    const std::u16string stamp = formatDateTime(context.clock.now());
    CAddProductDlg dialog(context, view.window());
    if (dialog.exec() != QDialog::Accepted || !dialog.lookup())
        return;
    const std::vector<size_t> added =
        appendLookedUpProduct(view.watchList(), *dialog.lookup(), stamp, view.appFolder());
    for (size_t i = 0; i < added.size(); ++i)
        view.insertWatchEntry(added[i], i + 1 == added.size());
}

void runPreferencesCommand(CVertrelView& view) {
    if (view.isBusy() || view.isBatchRun())
        return;
    const int oldShowBest = view.settings().readInt(u"Prefs", u"ShowBestSelling", 1);
    const int oldShowWhatsNew = view.settings().readInt(u"Prefs", u"ShowWhatsNew", 1);
    CPrefsDlg dialog(view.settings(), view.window());
    dialog.exec();
    view.applyStoreListPreferences(oldShowBest, oldShowWhatsNew);
}

void runNetworkConnectionCommand(CVertrelView& view) {
    if (view.isBusy() || view.isBatchRun())
        return;
    CNetworkDlg dialog(view.settings(), view.appFolder(), view.window());
    dialog.exec();
    view.reloadProxySettings();
}

void runCheckParsingScriptsCommand(CVertrelView& view) {
    if (view.isBusy() || view.isBatchRun())
        return;
    view.setBusy(true);
    checkForParsingScripts(view.flowContext());
    view.setBusy(false);
}

} // namespace zelvon::ui
