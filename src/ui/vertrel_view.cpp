#include "ui/vertrel_view.h"

#include "app/settings_store.h"
#include "foundation/formatting.h"
#include "ui/command_ids.h"
#include "ui/html_page.h"
#include "ui/icon_strip.h"
#include "ui/view_pane.h"
#include "watch/app_paths.h"
#include "watch/branch_order.h"
#include "watch/store_lists.h"

#include <QApplication>
#include <QHash>
#include <QHeaderView>
#include <QMenu>
#include <QStyledItemDelegate>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace zelvon::ui {
namespace {

QString qs(const std::u16string& text) { return QString::fromStdU16String(text); }

// Item texts come from the lists: an edit may start (F2) but its result is
// always thrown away.
class RejectingEditDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void setModelData(QWidget*, QAbstractItemModel*, const QModelIndex&) const override {}
};

// The letter each context-menu entry is chosen by from the keyboard; no
// two entries of one menu share a letter.
QString withMnemonic(const QString& text) {
    static const QHash<QString, QString> marked = {
        {"Add Product...", "&Add Product..."},
        {"Check Products for Updates", "&Check Products for Updates"},
        {"Help...", "&Help..."},
        {"Mark As New", "Mark As &New"},
        {"Remove", "&Remove"},
        {"Check for Update", "&Check for Update"},
        {"Reload What's New List", "&Reload What's New List"},
        {"Reload Best Selling List", "&Reload Best Selling List"},
        {"Add To Product Watch List", "&Add To Product Watch List"},
    };
    return marked.value(text, text);
}

} // namespace

CVertrelView::CVertrelView(const SettingsStore& settings, std::u16string appFolder, const Clock& clock, bool upper,
                           QWidget* parent)
    : SplitterPane(settings, upper, parent), appFolder_(std::move(appFolder)), clock_(clock),
      tree_(new QTreeWidget(this)), flowUi_(this) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(tree_);
    tree_->setHeaderHidden(true);
    // A hidden header is still read out: by this name, not as column "1".
    tree_->setHeaderLabel(QStringLiteral("Products"));
    tree_->setRootIsDecorated(true);
    tree_->setExpandsOnDoubleClick(false);
    tree_->setEditTriggers(QAbstractItemView::EditKeyPressed);
    tree_->setItemDelegate(new RejectingEditDelegate(tree_));
    tree_->setIconSize(QSize(16, 16));
    tree_->setContextMenuPolicy(Qt::CustomContextMenu);
    tree_->setAccessibleName(QStringLiteral("Products"));
    connect(tree_, &QTreeWidget::itemSelectionChanged, this, &CVertrelView::onSelectionChanged);
    connect(tree_, &QTreeWidget::customContextMenuRequested, this, &CVertrelView::contextMenuAt);
    connect(tree_, &QTreeWidget::itemDoubleClicked, this, [this](QTreeWidgetItem*, int) {
        QTreeWidgetItem* selected = selectedItem();
        if (selected != nullptr && !busy_)
            openContextMenu(selected, tree_->viewport()->mapToGlobal(tree_->visualItemRect(selected).center()));
    });
    // Progress texts of the flows come before a blocking download: painted at once.
    flowUi_.setPaneSink([this](const QString& html) { showHtmlNow(html); });
    reloadProxySettings();
    installKeyboard();

    // Precise: a coarse timer may fire up to 5 % early.
    startupTimer_.setTimerType(Qt::PreciseTimer);
    reloadTimer_.setTimerType(Qt::PreciseTimer);
    startupTimer_.setSingleShot(true);
    startupTimer_.setInterval(kStartupDelayMs);
    connect(&startupTimer_, &QTimer::timeout, this, &CVertrelView::onStartupTimer);
    reloadTimer_.setSingleShot(true);
    reloadTimer_.setInterval(kReloadDelayMs);
    connect(&reloadTimer_, &QTimer::timeout, this, [this] { runCommand(ID_RELOAD_ALL); });
    menuRunner_ = [](QMenu& menu, const QPoint& pos) { return menu.exec(pos); };
    setUpUpdateCheck();
}

void CVertrelView::firstUpdate() { startupTimer_.start(); }

void CVertrelView::onStartupTimer() {
    buildTree();
    showHtml(qs(overviewPage(watchBranchEmpty())));
    if (settings_.readInt(u"Prefs", u"ReloadOnStart", 0) == 1)
        reloadTimer_.start();
    emit treeBuilt();
}

void CVertrelView::showHtml(const QString& fragment) {
    if (pane_ != nullptr)
        pane_->showHtml(fragment);
}

void CVertrelView::showHtmlNow(const QString& fragment) {
    showHtml(fragment);
    if (pane_ != nullptr)
        pane_->repaint();
    QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void CVertrelView::setBusy(bool busy) {
    busy_ = busy;
    emit stateChanged();
}

void CVertrelView::reloadProxySettings() { proxy_ = ProxySettings::fromSettings(settings_); }

FlowContext CVertrelView::flowContext() {
    return FlowContext{appFolder_, catalogue_, proxy_, clock_, settings_, flowUi_};
}

WatchList& CVertrelView::storeList(StoreListKind kind) {
    return kind == StoreListKind::WhatsNew ? whatsNewList_ : bestList_;
}

QTreeWidgetItem* CVertrelView::storeBranch(StoreListKind kind) const {
    return kind == StoreListKind::WhatsNew ? whatsNewGroup_ : bestGroup_;
}

int CVertrelView::kindOf(const QTreeWidgetItem* item) const {
    if (item == nullptr)
        return KIND_ROOT;
    const QVariant tag = item->data(0, Qt::UserRole);
    return tag.isValid() ? tags_.kind(tag.toInt()) : KIND_ROOT;
}

std::u16string CVertrelView::keyOf(const QTreeWidgetItem* item) const {
    if (item == nullptr)
        return u"0";
    const QVariant tag = item->data(0, Qt::UserRole);
    return tag.isValid() ? tags_.key(tag.toInt()) : u"0";
}

size_t CVertrelView::recordIndex(const QTreeWidgetItem* item) const {
    // Keys are written by the view itself; a negative number cannot index.
    const int32_t index = parseInt(keyOf(item));
    return index < 0 ? SIZE_MAX : static_cast<size_t>(index);
}

QTreeWidgetItem* CVertrelView::selectedItem() const {
    const QList<QTreeWidgetItem*> selected = tree_->selectedItems();
    return selected.isEmpty() ? nullptr : selected.front();
}

QTreeWidgetItem* CVertrelView::addItem(QTreeWidgetItem* parent, const QString& text, int image, int tag) {
    auto* item = parent == nullptr ? new QTreeWidgetItem(tree_) : new QTreeWidgetItem(parent);
    item->setText(0, text);
    item->setIcon(0, treeImage(image));
    item->setData(0, Qt::UserRole, tag);
    item->setFlags(item->flags() | Qt::ItemIsEditable);
    return item;
}

void CVertrelView::setEntryImage(QTreeWidgetItem* item, bool isNew) {
    item->setIcon(0, treeImage(isNew ? kTreeImageNewProduct : kTreeImageProduct));
    // The star alone tells a screen reader nothing.
    item->setData(0, Qt::AccessibleDescriptionRole, isNew ? QStringLiteral("new") : QString());
}

QTreeWidgetItem* CVertrelView::addWatchEntry(size_t index) {
    const auto record = watchList_.record(index);
    if (!record || watchGroup_ == nullptr)
        return nullptr;
    QTreeWidgetItem* item = addItem(watchGroup_, qs(record->productName), kTreeImageProduct,
                                    tags_.add(static_cast<long long>(index), KIND_WATCHED_PRODUCT));
    setEntryImage(item, record->isNew != 0);
    return item;
}

void CVertrelView::sortWatchBranch() {
    if (watchGroup_ == nullptr)
        return;
    QList<QTreeWidgetItem*> children = watchGroup_->takeChildren();
    std::stable_sort(children.begin(), children.end(), [](QTreeWidgetItem* a, QTreeWidgetItem* b) {
        return compareNames(a->text(0).toStdU16String(), b->text(0).toStdU16String()) < 0;
    });
    watchGroup_->addChildren(children);
}

void CVertrelView::buildTree() {
    if (catalogue_.load(appFolder_) != ScriptCatalogue::LoadStatus::Loaded) {
        flowUi_.showMessage(catalogue_.loadErrorText(), kLoadErrorCaption);
        return;
    }
    tree_->clear();
    tags_.clear();
    whatsNewGroup_ = bestGroup_ = nullptr;
    root_ = addItem(nullptr, QStringLiteral("Zelvon - Wareloft Version"), kTreeImageRoot, tags_.add(u"0", KIND_ROOT));
    watchGroup_ = addItem(root_, QStringLiteral("Product Watch List"), kTreeImageBranch,
                          tags_.add(u"0", KIND_WATCH_GROUP));
    if (settings_.readInt(u"Prefs", u"ShowBestSelling", 1) == 1)
        createStoreBranch(StoreListKind::BestSelling);
    if (settings_.readInt(u"Prefs", u"ShowWhatsNew", 1) == 1)
        createStoreBranch(StoreListKind::WhatsNew);
    root_->setExpanded(true);
    {
        WaitCursorScope wait(flowUi_);
        if (watchList_.load(watchListFilePath(appFolder_), settings_, clock_)) {
            for (size_t i = 0; i < watchList_.count(); ++i)
                if (watchList_.records()[i].removed == 0)
                    addWatchEntry(i);
            sortWatchBranch();
            watchGroup_->setExpanded(true);
        }
    }
    // A list file that exists but cannot be read is kept aside, not lost;
    // the user learns where.
    if (const std::u16string notice = watchList_.takeSetAsideNotice(); !notice.empty())
        flowUi_.showMessage(notice, u"Notice");
    if (bestGroup_ != nullptr)
        fillStoreBranch(StoreListKind::BestSelling, false);
    if (whatsNewGroup_ != nullptr)
        fillStoreBranch(StoreListKind::WhatsNew, false);
    treeFilled_ = true;
    tree_->setCurrentItem(watchGroup_);
    // Keyboard and screen-reader users start in the tree.
    tree_->setFocus();
}

void CVertrelView::createStoreBranch(StoreListKind kind) {
    const int groupKind = kind == StoreListKind::WhatsNew ? KIND_WHATSNEW_GROUP : KIND_BESTSELLING_GROUP;
    QTreeWidgetItem* branch =
        addItem(root_, qs(std::u16string(storeListBranchText(kind))), kTreeImageBranch, tags_.add(u"0", groupKind));
    (kind == StoreListKind::WhatsNew ? whatsNewGroup_ : bestGroup_) = branch;
}

void CVertrelView::deleteStoreBranch(StoreListKind kind) {
    QTreeWidgetItem*& branch = kind == StoreListKind::WhatsNew ? whatsNewGroup_ : bestGroup_;
    delete branch;
    branch = nullptr;
}

bool CVertrelView::refillStoreBranch(StoreListKind kind, bool download) {
    QTreeWidgetItem* branch = storeBranch(kind);
    if (branch == nullptr)
        return false;
    WatchList& list = storeList(kind);
    // A failed download has told the user why and leaves the branch as it was.
    const bool ok = fillStoreList(kind, download, list, flowContext());
    if (!ok && download)
        return false;
    qDeleteAll(branch->takeChildren());
    const int entryKind = kind == StoreListKind::WhatsNew ? KIND_WHATSNEW_ENTRY : KIND_BESTSELLING_ENTRY;
    for (size_t i = 0; i < list.count(); ++i)
        if (list.records()[i].removed == 0)
            addItem(branch, qs(list.records()[i].productName), kTreeImageStoreEntry,
                    tags_.add(static_cast<long long>(i), entryKind));
    branch->setExpanded(true);
    return ok;
}

void CVertrelView::fillStoreBranch(StoreListKind kind, bool download) { refillStoreBranch(kind, download); }

void CVertrelView::applyStoreListPreferences(int oldShowBest, int oldShowWhatsNew) {
    if (root_ == nullptr)
        return;
    const int showBest = settings_.readInt(u"Prefs", u"ShowBestSelling", 1);
    const int showWhatsNew = settings_.readInt(u"Prefs", u"ShowWhatsNew", 1);
    if (showBest != oldShowBest) {
        if (showBest == 1 && bestGroup_ == nullptr) {
            // A branch switched on goes to the end, whatever the start-up order.
            createStoreBranch(StoreListKind::BestSelling);
            fillStoreBranch(StoreListKind::BestSelling, false);
        } else if (showBest != 1) {
            deleteStoreBranch(StoreListKind::BestSelling);
        }
    }
    if (showWhatsNew != oldShowWhatsNew) {
        if (showWhatsNew == 1 && whatsNewGroup_ == nullptr) {
            createStoreBranch(StoreListKind::WhatsNew);
            fillStoreBranch(StoreListKind::WhatsNew, false);
        } else if (showWhatsNew != 1) {
            deleteStoreBranch(StoreListKind::WhatsNew);
        }
    }
}

void CVertrelView::insertWatchEntry(size_t index, bool sortBranch) {
    QTreeWidgetItem* item = addWatchEntry(index);
    if (item == nullptr)
        return;
    if (sortBranch)
        sortWatchBranch();
    watchGroup_->setExpanded(true);
    tree_->setCurrentItem(item);
    renderItem(item);
}

void CVertrelView::renderItem(QTreeWidgetItem* item) {
    if (item == nullptr)
        return;
    const int kind = kindOf(item);
    const size_t index = recordIndex(item);
    std::optional<ProductRecord> record;
    switch (kind) {
    case KIND_WATCHED_PRODUCT:
        if ((record = watchList_.record(index)))
            showHtml(qs(watchedEntryHtml(*record)));
        break;
    case KIND_WHATSNEW_ENTRY:
        if ((record = whatsNewList_.record(index)))
            showHtml(qs(storeEntryHtml(*record)));
        break;
    case KIND_BESTSELLING_ENTRY:
        if ((record = bestList_.record(index)))
            showHtml(qs(storeEntryHtml(*record)));
        break;
    default:
        showHtml(qs(overviewPage(watchBranchEmpty())));
        break;
    }
}

void CVertrelView::onSelectionChanged() {
    if (busy_)
        return;
    if (QTreeWidgetItem* item = selectedItem())
        renderItem(item);
}

void CVertrelView::contextMenuAt(const QPoint& pos) {
    QTreeWidgetItem* item = tree_->itemAt(pos);
    if (item == nullptr)
        return;
    tree_->setCurrentItem(item);
    if (!busy_)
        openContextMenu(item, tree_->viewport()->mapToGlobal(pos));
}

QMenu* CVertrelView::createContextMenu(int kind, QWidget* parent) {
    struct Entry {
        const char* text;
        int id;
    };
    std::vector<Entry> entries;
    QString title = QStringLiteral("File");
    switch (kind) {
    case KIND_WATCHED_PRODUCT:
        title = QStringLiteral("Product");
        entries = {{"Add Product...", ID_ADD_PRODUCT}, {nullptr, 0}, {"Mark As New", ID_MARK_NEW},
                   {"Remove", ID_REMOVE}, {nullptr, 0}, {"Check for Update", ID_CHECK_ONE}};
        break;
    case KIND_WHATSNEW_GROUP:
        entries = {{"Reload What's New List", ID_RELOAD_WHATSNEW}, {nullptr, 0}, {"Help...", ID_HELP}};
        break;
    case KIND_BESTSELLING_GROUP:
        entries = {{"Reload Best Selling List", ID_RELOAD_BESTSELLING}, {nullptr, 0}, {"Help...", ID_HELP}};
        break;
    case KIND_WHATSNEW_ENTRY:
        title = QStringLiteral("Product");
        entries = {{"Add To Product Watch List", ID_ADD_FROM_WHATSNEW}, {nullptr, 0},
                   {"Reload What's New List", ID_RELOAD_WHATSNEW}};
        break;
    case KIND_BESTSELLING_ENTRY:
        title = QStringLiteral("Product");
        entries = {{"Add To Product Watch List", ID_ADD_FROM_BESTSELLING}, {nullptr, 0},
                   {"Reload Best Selling List", ID_RELOAD_BESTSELLING}};
        break;
    default: // the root and the watch-list branch
        entries = {{"Add Product...", ID_ADD_PRODUCT}, {nullptr, 0}, {"Check Products for Updates", ID_CHECK_ALL},
                   {nullptr, 0}, {"Help...", ID_HELP}};
        break;
    }
    auto* menu = new QMenu(title, parent);
    for (const Entry& entry : entries) {
        if (entry.text == nullptr) {
            menu->addSeparator();
            continue;
        }
        QAction* action = menu->addAction(withMnemonic(QString::fromLatin1(entry.text)));
        action->setData(entry.id);
        action->setEnabled(isCommandEnabled(entry.id));
    }
    return menu;
}

void CVertrelView::openContextMenu(QTreeWidgetItem* item, const QPoint& globalPos) {
    const int kind = kindOf(item);
    std::unique_ptr<QMenu> menu(createContextMenu(kind, this));
    if (kind == KIND_WATCHED_PRODUCT) {
        const auto record = watchList_.record(recordIndex(item));
        for (QAction* action : menu->actions())
            if (action->data().toInt() == ID_MARK_NEW) {
                action->setCheckable(true);
                action->setChecked(record && record->isNew != 0);
            }
    }
    if (QAction* chosen = menuRunner_(*menu, globalPos))
        runCommand(chosen->data().toInt());
}

bool CVertrelView::isCommandEnabled(int id) const {
    const bool idle = !busy_ && !batchRun_;
    switch (id) {
    case ID_RELOAD_ALL:
    case ID_CHECK_ONE:
    case ID_ADD_PRODUCT:
    case ID_NETWORK:
    case ID_PREFERENCES:
    case ID_CHECK_SCRIPTS:
        return idle;
    case ID_CANCEL_DOWNLOAD:
        return !idle;
    default:
        return true;
    }
}

} // namespace zelvon::ui
