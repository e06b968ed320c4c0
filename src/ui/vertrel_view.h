#pragma once
// The tree pane: the watch list and the two store lists under one root, the
// commands on them, and what the update check shows: its driver downloads
// the product pages on worker threads while the window stays responsive.
// It owns the three lists and the driver.

#include "ui/item_tags.h"
#include "ui/splitter_pane.h"
#include "ui/dialogs/dialog_flow_ui.h"
#include "ui/update_check_driver.h"
#include "foundation/failure.h"
#include "watch/flow_context.h"
#include "watch/proxy_settings.h"
#include "watch/script_catalogue.h"
#include "watch/update_batch.h"
#include "watch/watch_list.h"

#include <QStringList>
#include <QTimer>

#include <functional>
#include <map>
#include <memory>
#include <optional>

class QMenu;
class QTreeWidget;
class QTreeWidgetItem;

namespace zelvon {
class Clock;
enum class StoreListKind;
}

namespace zelvon::ui {

class CViewPane;

class CVertrelView : public SplitterPane {
    Q_OBJECT
public:
    static constexpr int kStartupDelayMs = 1500; // timer 11: fill the tree
    static constexpr int kReloadDelayMs = 1500;  // timer 7: ReloadOnStart

    CVertrelView(const SettingsStore& settings, std::u16string appFolder, const Clock& clock, bool upper,
                 QWidget* parent = nullptr);
    ~CVertrelView() override;

    // HtmlPaneRef: where every page of the view goes.
    void setPane(CViewPane* pane) { pane_ = pane; }
    void showHtml(const QString& fragment);
    // Shows the text and paints the pane at once, before a blocking step.
    void showHtmlNow(const QString& fragment);

    // Commands, by their menu ids (command_ids.h).
    void runCommand(int id);
    bool isCommandEnabled(int id) const;

    // The update-check state and what the dialog commands work with.
    bool isBusy() const { return busy_; }
    bool isBatchRun() const { return batchRun_; }
    void setBusy(bool busy);
    WatchList& watchList() { return watchList_; }
    WatchList& storeList(StoreListKind kind);
    const ScriptCatalogue& catalogue() const { return catalogue_; }
    const std::u16string& appFolder() const { return appFolder_; }
    const SettingsStore& settings() const { return settings_; }
    FlowContext flowContext();
    DialogFlowUi& flowUi() { return flowUi_; }
    void reloadProxySettings();
    const ProxySettings& proxy() const { return proxy_; }
    // A record just appended to the watch list: insert its entry, select
    // and render it, sort the branch when asked, expand the branch.
    void insertWatchEntry(size_t index, bool sortBranch);
    // After the Preferences dialog: show, hide and fill the store-list
    // branches by the new "Prefs" values (Best Selling first).
    void applyStoreListPreferences(int oldShowBest, int oldShowWhatsNew);
    // Refills a store-list branch from its cache, downloading it first when
    // asked. Returns whether the download (if any) worked.
    bool refillStoreBranch(StoreListKind kind, bool download);

    // The tree and its item tags, for the frame and the tests.
    QTreeWidget* tree() const { return tree_; }
    int kindOf(const QTreeWidgetItem* item) const;
    std::u16string keyOf(const QTreeWidgetItem* item) const;
    QTreeWidgetItem* rootItem() const { return root_; }
    QTreeWidgetItem* watchBranch() const { return watchGroup_; }
    QTreeWidgetItem* storeBranch(StoreListKind kind) const;
    bool treeFilled() const { return treeFilled_; }
    bool watchBranchEmpty() const;
    const QTimer& startupTimer() const { return startupTimer_; }
    const QTimer& reloadTimer() const { return reloadTimer_; }

    // Builds the context menu of an item kind (the caller owns it).
    QMenu* createContextMenu(int kind, QWidget* parent);
    // How a context menu is shown: by default modal at the position; tests
    // answer with the action to run (or none).
    using MenuRunner = std::function<QAction*(QMenu& menu, const QPoint& globalPos)>;
    void setMenuRunner(MenuRunner runner) { menuRunner_ = std::move(runner); }
    // The context menu of the item under `pos` (tree viewport coordinates),
    // as a right click opens it.
    void contextMenuAt(const QPoint& pos);

    // Enter on the selected item: Check for Update on a watched product, Add
    // To Product Watch List on a store-list entry.
    void activateSelected();
    // The selected item's context menu beside the item, as Shift+F10 and
    // the Menu key open it.
    void openSelectedContextMenu();

    // Builds the tree from the catalogue and the list files.
    void buildTree();
    void renderItem(QTreeWidgetItem* item);

signals:
    // The tree has been built by the start-up timer.
    void treeBuilt();
    // busy or batchRun changed: the frame re-evaluates the enabled states.
    void stateChanged();
    // Status-bar text during a batch; empty at its end.
    void progressText(const QString& text);
    // What the last check came to ("Checked 3 products: ..."), kept in the
    // status bar until the next command; empty clears it.
    void outcomeText(const QString& text);
    // A batch has ended; the products it marked new, by name.
    void batchFinished(const QStringList& newlyMarked);

protected:
    void firstUpdate() override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void onStartupTimer();
    // Delete, Enter, Shift+F10 and the Menu key on the tree.
    void installKeyboard();
    // A product being checked is read with its name, not as "Reloading...".
    void updateAccessibleText(QTreeWidgetItem* item);
    void onSelectionChanged();
    void openContextMenu(QTreeWidgetItem* item, const QPoint& globalPos);
    QTreeWidgetItem* addItem(QTreeWidgetItem* parent, const QString& text, int image, int tag);
    QTreeWidgetItem* addWatchEntry(size_t index);
    void setEntryImage(QTreeWidgetItem* item, bool isNew);
    void sortWatchBranch();
    void fillStoreBranch(StoreListKind kind, bool download);
    void createStoreBranch(StoreListKind kind);
    void deleteStoreBranch(StoreListKind kind);
    QTreeWidgetItem* selectedItem() const;
    size_t recordIndex(const QTreeWidgetItem* item) const;

    // The update check: commands, and what the driver reports.
    void setUpUpdateCheck();
    void checkOne();
    void checkAll(bool withStoreLists);
    void cancelDownload();
    bool startRun(std::vector<size_t> order, size_t atOnce);
    void onJobStarted(const BatchJob& job, int started, int total);
    void onJobFinished(const BatchJobReport& report);
    void onRunFinished(const UpdateBatchSummary& summary);
    void announceNextDownload();
    void showRunText(const QString& fragment);
    // The watch-list entry showing record `index`, or none.
    QTreeWidgetItem* watchItemFor(size_t index) const;
    void reloadStoreListAfterBatch(StoreListKind kind, const QString& closingSuffix);
    // Reload All From Web with nothing to check: the visible store lists.
    void reloadStoreListsOnly();

    // The smaller commands.
    void removeSelected();
    void markSelectedNew();
    void openHelp();
    void addFromStoreList(StoreListKind kind);
    void reloadStoreList(StoreListKind kind);

    std::u16string appFolder_;
    const Clock& clock_;
    CViewPane* pane_ = nullptr;
    QTreeWidget* tree_;
    ItemTagTable tags_;
    QTreeWidgetItem* root_ = nullptr;
    QTreeWidgetItem* watchGroup_ = nullptr;
    QTreeWidgetItem* whatsNewGroup_ = nullptr;
    QTreeWidgetItem* bestGroup_ = nullptr;
    ScriptCatalogue catalogue_;
    WatchList watchList_;
    WatchList whatsNewList_;
    WatchList bestList_;
    ProxySettings proxy_;
    DialogFlowUi flowUi_;
    MenuRunner menuRunner_;
    QTimer startupTimer_;
    QTimer reloadTimer_;
    bool treeFilled_ = false;

    bool busy_ = false;
    bool batchRun_ = false;
    bool reloadWhatsNewAfter_ = false;
    bool reloadBestSellingAfter_ = false;
    // The run in progress lives in the driver; the view keeps what it
    // shows: the downloads under way by their position in the run,
    // the one whose "Downloading Data for..." the pane shows, the run's last
    // pane text, and what a single check has to say once it is over.
    UpdateCheckDriver* driver_ = nullptr;
    std::map<size_t, BatchJob> runningJobs_;
    std::optional<size_t> announced_;
    QString lastRunText_;
    std::optional<Failure> singleCheckFailure_;
    QStringList newlyMarked_;
};

} // namespace zelvon::ui
