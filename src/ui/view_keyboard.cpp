// The tree for keyboard and screen-reader users: Delete removes, Enter runs
// the item's main command, Shift+F10 and the Menu key open its context
// menu beside it, and a product being checked keeps its name for the
// screen reader.

#include "ui/vertrel_view.h"

#include "ui/command_ids.h"
#include "ui/item_tags.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QTreeWidget>

namespace zelvon::ui {

void CVertrelView::installKeyboard() {
    // Widget shortcuts: an open label editor keeps its own Enter and Delete.
    const auto addKey = [this](const QList<QKeySequence>& keys, auto slot) {
        auto* action = new QAction(tree_);
        action->setShortcuts(keys);
        action->setShortcutContext(Qt::WidgetShortcut);
        connect(action, &QAction::triggered, this, slot);
        tree_->addAction(action);
    };
    addKey({QKeySequence(Qt::Key_Delete)}, [this] { runCommand(ID_REMOVE); });
    addKey({QKeySequence(Qt::Key_Return), QKeySequence(Qt::Key_Enter)}, [this] { activateSelected(); });
    addKey({QKeySequence(Qt::SHIFT | Qt::Key_F10)}, [this] { openSelectedContextMenu(); });
    // The Menu key arrives as a context-menu request from the keyboard.
    tree_->installEventFilter(this);
    tree_->viewport()->installEventFilter(this);
    connect(tree_, &QTreeWidget::itemChanged, this, [this](QTreeWidgetItem* item, int) { updateAccessibleText(item); });
}

bool CVertrelView::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::ContextMenu && static_cast<QContextMenuEvent*>(event)->reason() ==
                                                    QContextMenuEvent::Keyboard) {
        openSelectedContextMenu();
        return true;
    }
    return SplitterPane::eventFilter(watched, event);
}

void CVertrelView::activateSelected() {
    QTreeWidgetItem* item = selectedItem();
    if (item == nullptr)
        return;
    switch (kindOf(item)) {
    case KIND_WATCHED_PRODUCT: runCommand(ID_CHECK_ONE); break;
    case KIND_WHATSNEW_ENTRY: runCommand(ID_ADD_FROM_WHATSNEW); break;
    case KIND_BESTSELLING_ENTRY: runCommand(ID_ADD_FROM_BESTSELLING); break;
    default: item->setExpanded(!item->isExpanded()); break;
    }
}

void CVertrelView::openSelectedContextMenu() {
    QTreeWidgetItem* item = selectedItem();
    if (item == nullptr || busy_)
        return;
    tree_->scrollToItem(item);
    const QRect rect = tree_->visualItemRect(item);
    openContextMenu(item, tree_->viewport()->mapToGlobal(QPoint(rect.left() + 16, rect.bottom())));
}

void CVertrelView::updateAccessibleText(QTreeWidgetItem* item) {
    if (item == nullptr || kindOf(item) != KIND_WATCHED_PRODUCT)
        return;
    QString spoken;
    if (item->text(0) == QStringLiteral("Reloading...")) {
        const auto record = watchList_.record(recordIndex(item));
        if (record)
            spoken = QStringLiteral("Reloading... ") + QString::fromStdU16String(record->productName);
    }
    // Unchanged data would notify again; only real changes are written.
    if (item->data(0, Qt::AccessibleTextRole).toString() != spoken)
        item->setData(0, Qt::AccessibleTextRole, spoken.isEmpty() ? QVariant() : QVariant(spoken));
}

} // namespace zelvon::ui
