#include "ui/main_frame.h"

#include "app/settings_store.h"
#include "app/settings_keys.h"
#include "ui/about_dlg.h"
#include "ui/command_ids.h"
#include "ui/desktop_notifier.h"
#include "ui/frame_shutdown.h"
#include "ui/html_ctrl.h"
#include "ui/icon_strip.h"
#include "ui/vertrel_view.h"
#include "ui/view_pane.h"
#include "ui/window_geometry.h"

#include <QGuiApplication>
#include <QLabel>
#include <QMenuBar>
#include <QScreen>
#include <QSplitter>
#include <QStatusBar>
#include <QToolBar>
#include <QTreeWidget>

namespace zelvon::ui {

CMainFrame::CMainFrame(const SettingsStore& settings, std::u16string appFolder, const Clock& clock,
                       QWidget* parent)
    : QMainWindow(parent), settings_(settings), appFolder_(std::move(appFolder)) {
    setWindowTitle(QStringLiteral("Zelvon"));
    setWindowIcon(programIcon());

    menuBar()->setAccessibleName(QStringLiteral("Menu"));
    // Mnemonics underline a letter; the texts read as they always did.
    QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
    addCommand(file, QStringLiteral("&Add Product..."), ID_ADD_PRODUCT, false);
    file->addSeparator();
    addCommand(file, QStringLiteral("&Reload All From Web"), ID_RELOAD_ALL, false)->setShortcut(Qt::Key_F5);
    // The toolbar's Cancel for the keyboard: same command, same enabling.
    addCommand(file, QStringLiteral("&Cancel"), ID_CANCEL_DOWNLOAD, false)->setShortcut(Qt::Key_Escape);
    file->addSeparator();
    // Ctrl+Q itself: the standard Quit key is empty on platforms without a
    // desktop theme (offscreen, a bare X server).
    addCommand(file, QStringLiteral("E&xit"), ID_APP_EXIT, false)->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    QMenu* options = menuBar()->addMenu(QStringLiteral("&Options"));
    addCommand(options, QStringLiteral("&Preferences..."), ID_PREFERENCES, false);
    addCommand(options, QStringLiteral("&Network Connection..."), ID_NETWORK, false);
    options->addSeparator();
    addCommand(options, QStringLiteral("Check for Parsing &Scripts..."), ID_CHECK_SCRIPTS, false);
    options->addSeparator();
    addCommand(options, QStringLiteral("&Help..."), ID_HELP, false)->setShortcut(Qt::Key_F1);
    addCommand(options, QStringLiteral("A&bout Zelvon..."), ID_APP_ABOUT, false);

    QToolBar* toolbar = addToolBar(QStringLiteral("Commands"));
    toolbar->setObjectName(QStringLiteral("commandBar"));
    toolbar->setIconSize(QSize(16, 16));
    toolbar->setMovable(false);
    addCommand(toolbar, QStringLiteral("Reload All From Web"), ID_RELOAD_ALL, true)
        ->setIcon(toolbarImage(ToolbarImage::Reload));
    addCommand(toolbar, QStringLiteral("Cancel"), ID_CANCEL_DOWNLOAD, true)->setIcon(toolbarImage(ToolbarImage::Cancel));
    toolbar->addSeparator();
    addCommand(toolbar, QStringLiteral("Add Product"), ID_ADD_PRODUCT, true)
        ->setIcon(toolbarImage(ToolbarImage::AddProduct));
    // Toolbar buttons take no focus by default; here Tab reaches them.
    QList<QWidget*> tabChain;
    for (QAction* act : toolbar->actions())
        if (QWidget* button = toolbar->widgetForAction(act); button != nullptr && !act->isSeparator()) {
            button->setAccessibleName(act->text());
            button->setFocusPolicy(Qt::TabFocus);
            tabChain << button;
        }

    const int splitterPos = readSetting(settings, kSplitterPosKey);
    // Until the divider has been placed once, the panes share the height
    // in proportion (set when the window first shows its real size).
    proportionalSplit_ = !splitterPosStored(settings);
    layoutFlagAtStart_ = readSetting(settings, kViewOnBottomKey);
    const bool treeOnTop = layoutFlagAtStart_ != 0;
    splitter_ = new QSplitter(Qt::Vertical, this);
    view_ = new CVertrelView(settings, appFolder_, clock, treeOnTop);
    pane_ = new CViewPane(settings, !treeOnTop);
    splitter_->addWidget(treeOnTop ? static_cast<QWidget*>(view_) : pane_);
    splitter_->addWidget(treeOnTop ? static_cast<QWidget*>(pane_) : view_);
    splitter_->setChildrenCollapsible(false);
    // The upper pane keeps its stored height; the lower one takes the rest.
    splitter_->setStretchFactor(0, 0);
    splitter_->setStretchFactor(1, 1);
    splitter_->setSizes({splitterPos, 1});
    setCentralWidget(splitter_);
    view_->setPane(pane_);
    doc_.setTreeView(view_);
    // Toolbar, then the tree, then the page and its links.
    tabChain << view_->tree() << pane_->htmlCtrl();
    for (qsizetype i = 1; i < tabChain.size(); ++i)
        setTabOrder(tabChain[i - 1], tabChain[i]);

    connect(view_, &CVertrelView::stateChanged, this, &CMainFrame::updateCommandStates);
    connect(view_, &CVertrelView::progressText, this, [this](const QString& text) {
        if (text.isEmpty())
            statusBar()->clearMessage();
        else
            statusBar()->showMessage(text);
    });
    connect(view_, &CVertrelView::batchFinished, this, &CMainFrame::onBatchFinished);
    // A widget, not a message: menus passing over the bar do not wipe it.
    auto* outcome = new QLabel(statusBar());
    outcome->setObjectName(QStringLiteral("checkOutcome"));
    outcome->setAccessibleName(QStringLiteral("Last check"));
    statusBar()->addWidget(outcome, 1);
    connect(view_, &CVertrelView::outcomeText, outcome, &QLabel::setText);
    view_->flowUi().setStatusSink([this](const QString& text) { statusBar()->showMessage(text); });
    notifier_ = [](const QString& summary, const QString& body) { DesktopNotifier::notify(summary, body); };
    statusBar();
    QList<QRect> screens;
    for (const QScreen* screen : QGuiApplication::screens())
        screens << screen->availableGeometry();
    const QScreen* primary = QGuiApplication::primaryScreen();
    applyPlacement(*this, windowPlacement(settings, primary != nullptr ? primary->availableGeometry()
                                                                       : QRect(0, 0, kMinFirstWidth, kMinFirstHeight),
                                          screens));
    updateCommandStates();
}

void CMainFrame::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    shown_ = true;
    if (proportionalSplit_) {
        proportionalSplit_ = false;
        const int upper = firstRunSplitterPos(splitter_->height());
        splitter_->setSizes({upper, splitter_->height() - upper - splitter_->handleWidth()});
    }
}

CMainFrame::~CMainFrame() {
    backupListFiles(appFolder_);
    if (shown_)
        storeWindowPlacement(settings_, *this);
    if (readSetting(settings_, kViewOnBottomKey) != layoutFlagAtStart_) {
        const int stored = readSetting(settings_, kSplitterPosKey);
        writeSetting(settings_, kSplitterPosKey, convertedSplitterPos(splitter_->height(), stored));
    }
}

QAction* CMainFrame::addCommand(QWidget* menuOrBar, const QString& text, int id, bool toolbar) {
    auto* act = new QAction(text, this);
    act->setData(id);
    act->setObjectName(QStringLiteral("%1%2").arg(toolbar ? "tool" : "menu").arg(id));
    act->setToolTip(QString(text).remove(QLatin1Char('&')));
    menuOrBar->addAction(act);
    commandActions_ << act;
    connect(act, &QAction::triggered, this, [this, id] {
        if (id == ID_APP_EXIT)
            close();
        else if (id == ID_APP_ABOUT)
            showAbout();
        else
            doc_.routeCommand(id);
    });
    return act;
}

QAction* CMainFrame::action(int id, bool toolbar) const {
    return findChild<QAction*>(QStringLiteral("%1%2").arg(toolbar ? "tool" : "menu").arg(id));
}

void CMainFrame::updateCommandStates() {
    for (QAction* act : commandActions_) {
        const int id = act->data().toInt();
        if (CVertrelDoc::forwardsCommand(id))
            act->setEnabled(doc_.isCommandEnabled(id));
    }
}

void CMainFrame::onBatchFinished(const QStringList& newlyMarked) {
    if (newlyMarked.isEmpty() || isActiveWindow() || !notifier_)
        return;
    notifier_(QStringLiteral("Zelvon: new versions"), newlyMarked.join(QStringLiteral(", ")));
}

void CMainFrame::showAbout() {
    CAboutDlg dialog(this);
    dialog.exec();
}

} // namespace zelvon::ui
