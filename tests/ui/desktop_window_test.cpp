// The window as a desktop program: driven by keyboard alone, read by a
// screen reader, opening where it was left, sorting by the user's locale,
// and helping a first run along.

#include "dialog_test_fixture.h"
#include "ui/about_dlg.h"
#include "ui/command_ids.h"
#include "ui/dialogs/CAddProductDlg.h"
#include "ui/dialogs/CNetworkDlg.h"
#include "ui/dialogs/CPrefsDlg.h"
#include "ui/dialogs/CSelectItemDlg.h"
#include "ui/html_ctrl.h"
#include "ui/view_pane.h"
#include "ui/window_geometry.h"
#include "watch/add_product.h"
#include "watch/store_lists.h"

#include <QAbstractSpinBox>
#include <QAccessible>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QMenuBar>
#include <QToolBar>
#include <QContextMenuEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QSplitter>
#include <QTextCursor>
#include <QtTest>

#include <cstdlib>
#include <optional>

using namespace zelvon;
using namespace zelvon::ui;
using test::WindowFixture;
using test::childTexts;
using test::kNetworkWaitMs;

namespace {

QStringList plainEntries(QMenu& menu) {
    QStringList entries;
    for (QAction* action : menu.actions())
        entries << (action->isSeparator() ? QStringLiteral("-") : action->text());
    return entries;
}

// Every visible accessible object under `iface` that a screen reader would
// announce without a name, or that is a column named "1", as
// "role:path" lines.
void findUnnamed(QAccessibleInterface* iface, const QString& path, QStringList& faults) {
    if (iface == nullptr || iface->state().invisible)
        return;
    const QAccessible::Role role = iface->role();
    const QString name = iface->text(QAccessible::Name);
    static const QList<QAccessible::Role> needName = {
        QAccessible::Window,      QAccessible::Dialog,      QAccessible::PushButton, QAccessible::CheckBox,
        QAccessible::RadioButton, QAccessible::ComboBox,    QAccessible::EditableText, QAccessible::List,
        QAccessible::Tree,        QAccessible::Grouping,    QAccessible::ButtonMenu, QAccessible::ListItem,
        QAccessible::TreeItem,    QAccessible::MenuItem,    QAccessible::Link,       QAccessible::ColumnHeader,
        QAccessible::ToolBar,     QAccessible::MenuBar,     QAccessible::SpinBox,    QAccessible::Graphic};
    const QString here = path + "/" + QString::number(role, 16) + "'" + name + "'";
    if (needName.contains(role) && name.trimmed().isEmpty())
        faults << here;
    if (role == QAccessible::ColumnHeader && name == "1")
        faults << here;
    for (int i = 0; i < iface->childCount(); ++i)
        findUnnamed(iface->child(i), here, faults);
}

QStringList unnamedIn(QWidget* window) {
    QStringList faults;
    findUnnamed(QAccessible::queryAccessibleInterface(window), {}, faults);
    return faults;
}

// The environment's collation locale for one test; the old one comes back.
class CollationLocale {
public:
    explicit CollationLocale(const char* locale) {
        for (const char* name : {"LC_ALL", "LC_COLLATE"}) {
            const char* value = std::getenv(name);
            saved_.emplace_back(name, value ? std::optional<std::string>(value) : std::nullopt);
        }
        unsetenv("LC_ALL");
        setenv("LC_COLLATE", locale, 1);
    }
    ~CollationLocale() {
        for (const auto& [name, value] : saved_)
            value ? setenv(name, value->c_str(), 1) : unsetenv(name);
    }

private:
    std::vector<std::pair<const char*, std::optional<std::string>>> saved_;
};

} // namespace

class DesktopWindowTest : public QObject {
    Q_OBJECT
private slots:
    // Add by name with a pick, check all, Escape, Delete, Shift+F10, the
    // Menu key, Enter on a store entry, and a pane link by Tab and Enter:
    // no mouse anywhere.
    void keyboardAlone() {
        WindowFixture f(300);
        const std::string record = f.app.file("args.txt");
        f.app.write("browser.sh", "#!/bin/sh\nfor a in \"$@\"; do printf '%s\\n' \"$a\"; done > " + record + "\n");
        std::filesystem::permissions(f.app.file("browser.sh"), std::filesystem::perms::owner_all);
        f.settings.writeInt(u"Prefs", u"UseExternalBrowser", 1);
        f.settings.writeString(u"Prefs", u"ExternalBrowser", fromUtf8(f.app.file("browser.sh")));
        f.writeWatchList({f.product("10412", u"A Notes"), f.product("10527", u"B Tool"), f.product("20104", u"C App")});
        CMainFrame& frame = f.open();
        QVERIFY(QTest::qWaitForWindowActive(&frame));
        QTreeWidget* tree = f.view().tree();
        QCOMPARE(QApplication::focusWidget(), tree);
        QStringList keys;
        for (const int id : {ID_RELOAD_ALL, ID_CANCEL_DOWNLOAD, ID_HELP, ID_APP_EXIT})
            keys << frame.action(id)->shortcut().toString();
        QCOMPARE(keys, QStringList({"F5", "Esc", "F1", "Ctrl+Q"}));
        // Shift+Tab goes back from the tree to the toolbar.
        QTest::keyClick(tree, Qt::Key_Backtab, Qt::ShiftModifier);
        QCOMPARE(QApplication::focusWidget(), frame.findChild<QToolBar*>()->widgetForAction(frame.action(ID_ADD_PRODUCT, true)));
        tree->setFocus();

        // Alt+F, A: Add Product; by name "chess"; the second match.
        QString offered;
        const auto pick = test::whenModal<CSelectItemDlg>([&](CSelectItemDlg* dialog) {
            offered = dialog->list()->item(1)->text();
            QTest::keyClick(dialog->list(), Qt::Key_Down);
            QTest::keyClick(dialog->list(), Qt::Key_Return);
        });
        bool entryFocused = false;
        const auto add = test::whenModal<CAddProductDlg>([&](CAddProductDlg* dialog) {
            // The dialog opens with the cursor in the entry field.
            entryFocused = QTest::qWaitFor([&] { return QApplication::focusWidget() == dialog->entryEdit(); }, 3000);
            QTest::keyClicks(dialog->entryEdit(), "chess");
            QTest::keyClick(dialog->entryEdit(), Qt::Key_Return);
        });
        QTest::keyClick(&frame, Qt::Key_F, Qt::AltModifier);
        QTRY_VERIFY(qobject_cast<QMenu*>(QApplication::activePopupWidget()) != nullptr);
        QTest::keyClick(QApplication::activePopupWidget(), Qt::Key_A);
        QTRY_COMPARE(childTexts(f.view().watchBranch()), QStringList({"A Notes", "B Tool", "C App", "Pocket Chess Master"}));
        QCOMPARE(offered, QString("Pocket Chess Master"));
        QVERIFY(entryFocused);

        // F5 checks all; Escape (the File menu's Cancel) stops after the product at hand.
        QAction* menuCancel = frame.action(ID_CANCEL_DOWNLOAD);
        QVERIFY(menuCancel != nullptr && !menuCancel->isEnabled());
        // A window manager gives the focus back when a dialog closes; the
        // offscreen platform needs asking.
        frame.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&frame));
        QTest::keyClick(tree, Qt::Key_F5);
        QVERIFY(!f.idle());
        QCOMPARE(menuCancel->isEnabled(), frame.action(ID_CANCEL_DOWNLOAD, true)->isEnabled());
        QVERIFY(menuCancel->isEnabled());
        QTest::keyClick(tree, Qt::Key_Escape);
        QTRY_VERIFY_WITH_TIMEOUT(f.idle(), kNetworkWaitMs);
        QVERIFY(!menuCancel->isEnabled());
        size_t checked = 0;
        const WatchList afterCancel = f.readWatchList();
        for (const ProductRecord& r : afterCancel.records())
            checked += r.lastReload.empty() ? 0 : 1;
        QVERIFY2(checked < 4, "cancelled before the last product");

        // Down to "B Tool", Delete asks, Yes removes it.
        tree->setFocus();
        QTest::keyClick(tree, Qt::Key_Home);
        QTest::keyClick(tree, Qt::Key_Down);
        QTest::keyClick(tree, Qt::Key_Down);
        QTest::keyClick(tree, Qt::Key_Down);
        QCOMPARE(tree->currentItem()->text(0), QString("B Tool"));
        f.boxes.clear();
        QTest::keyClick(tree, Qt::Key_Delete);
        QCOMPARE(test::boxTexts(f), QStringList({"Confirm|Are you sure you want to remove this Product?"}));
        QCOMPARE(childTexts(f.view().watchBranch()), QStringList({"A Notes", "C App", "Pocket Chess Master"}));

        // Shift+F10 and the Menu key open the menu of the item at hand.
        QStringList menus;
        f.view().setMenuRunner([&](QMenu& menu, const QPoint&) -> QAction* {
            menus << menu.title() + ": " + plainEntries(menu).join(" | ");
            return nullptr;
        });
        QCOMPARE(tree->currentItem()->text(0), QString("C App"));
        QTest::keyClick(tree, Qt::Key_F10, Qt::ShiftModifier);
        QContextMenuEvent menuKey(QContextMenuEvent::Keyboard, QPoint(1, 1), tree->mapToGlobal(QPoint(1, 1)));
        QApplication::sendEvent(tree, &menuKey);
        const QString productMenu("Product: &Add Product... | - | Mark As &New | &Remove | - | &Check for Update");
        QCOMPARE(menus, QStringList({productMenu, productMenu}));

        // Enter on a watched product checks it.
        const auto pane = std::make_shared<QStringList>();
        connect(frame.pane()->htmlCtrl(), &CHtmlCtrl::fragmentShown, [pane](const QString& s) { *pane << s; });
        QTest::keyClick(tree, Qt::Key_Return);
        QVERIFY(f.view().isBusy());
        QTRY_VERIFY_WITH_TIMEOUT(f.idle(), kNetworkWaitMs);
        QVERIFY(pane->first().startsWith("<b>Downloading Data for...</b><br>Name: C App"));

        // Tab leaves the tree for the page, Tab again reaches its link,
        // Enter follows it through the configured browser.
        QCOMPARE(QApplication::focusWidget(), tree);
        QTest::keyClick(tree, Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), frame.pane()->htmlCtrl());
        QTest::keyClick(frame.pane()->htmlCtrl(), Qt::Key_Tab);
        QVERIFY(frame.pane()->htmlCtrl()->textCursor().hasSelection());
        QTest::keyClick(frame.pane()->htmlCtrl(), Qt::Key_Return);
        QTRY_COMPARE_WITH_TIMEOUT(f.app.read("args.txt"), f.productUrl("20104") + "\n", kNetworkWaitMs);
    }

    // No control, window or column a screen reader would read without a
    // name, in the window and in every dialog.
    void everythingHasAName() {
        test::DialogTestWorld f;
        f.writeWatchList({f.product("10412", u"Cr\u00e8me Notes")});
        f.frame->show();
        f.view().buildTree();
        QVERIFY(QTest::qWaitForWindowExposed(f.frame.get()));
        QCOMPARE(unnamedIn(f.frame.get()).join("\n"), QString());

        CAddProductDlg add(f.context());
        CPrefsDlg prefs(f.settings);
        CNetworkDlg network(f.settings, f.app.u16path());
        CSelectItemDlg select;
        select.addText("Pocket Chess Master");
        CAboutDlg about;
        for (QDialog* dialog : std::initializer_list<QDialog*>{&add, &prefs, &network, &select, &about}) {
            dialog->show();
            QVERIFY(QTest::qWaitForWindowExposed(dialog));
            QCOMPARE(unnamedIn(dialog).join("\n"), QString());
            dialog->hide();
        }
        QCOMPARE(QAccessible::queryAccessibleInterface(&about)->text(QAccessible::Name), QString("About Zelvon"));
        QCOMPARE(QAccessible::queryAccessibleInterface(add.helpButton())->text(QAccessible::Name), QString("Help"));
        QStringList frames;
        for (QGroupBox* box : network.findChildren<QGroupBox*>())
            frames << QAccessible::queryAccessibleInterface(box)->text(QAccessible::Name);
        frames.sort();
        QCOMPARE(frames, QStringList({"Configure Network Connection", "Proxy Settings", "Test Internet Connection"}));
        // Every edit field and drop-down is labelled by a buddy with its text.
        for (QDialog* dialog : std::initializer_list<QDialog*>{&add, &prefs, &network}) {
            QSet<QWidget*> buddies;
            for (QLabel* label : dialog->findChildren<QLabel*>())
                if (label->buddy() != nullptr)
                    buddies << label->buddy();
            for (QWidget* field : dialog->findChildren<QLineEdit*>()) {
                // A spin box's own edit field is labelled through the spin box.
                if (qobject_cast<QAbstractSpinBox*>(field->parentWidget()) != nullptr)
                    field = field->parentWidget();
                QVERIFY2(buddies.contains(field), qPrintable(dialog->windowTitle() + ": " + field->accessibleName()));
            }
        }

        // A product being checked keeps its name for the screen reader.
        QTreeWidgetItem* entry = f.view().watchBranch()->child(0);
        entry->setText(0, "Reloading...");
        QCOMPARE(QAccessible::queryAccessibleInterface(f.view().tree())
                     ->child(0)
                     ->text(QAccessible::Name)
                     .isEmpty(),
                 false);
        QCOMPARE(entry->data(0, Qt::AccessibleTextRole).toString(), QString("Reloading... Cr\u00e8me Notes"));
        entry->setText(0, "Cr\u00e8me Notes");
        QVERIFY(!entry->data(0, Qt::AccessibleTextRole).isValid());
    }

    void placementRules_data() {
        QTest::addColumn<QRect>("available");
        QTest::addColumn<QRect>("stored"); // empty: nothing stored
        QTest::addColumn<int>("maximized");
        QTest::addColumn<QRect>("expected");
        const QRect wide(0, 0, 1920, 1080);
        QTest::newRow("first run, large screen") << wide << QRect() << 0 << QRect(320, 180, 1280, 720);
        QTest::newRow("first run, small screen") << QRect(0, 0, 1024, 768) << QRect() << 0 << QRect(112, 84, 800, 600);
        QTest::newRow("first run, tiny screen") << QRect(0, 0, 640, 480) << QRect() << 0 << QRect(0, 0, 640, 480);
        QTest::newRow("kept") << wide << QRect(40, 30, 1000, 700) << 0 << QRect(40, 30, 1000, 700);
        QTest::newRow("kept, maximised") << wide << QRect(40, 30, 1000, 700) << 1 << QRect(40, 30, 1000, 700);
        QTest::newRow("screen gone") << wide << QRect(2500, 30, 1000, 700) << 0 << QRect(460, 190, 1000, 700);
        QTest::newRow("screen gone, too large") << wide << QRect(-5000, 0, 3000, 2000) << 0 << wide;
    }
    void placementRules() {
        QFETCH(QRect, available);
        QFETCH(QRect, stored);
        QFETCH(int, maximized);
        QFETCH(QRect, expected);
        test::TempDir config;
        SettingsStore settings(config.str());
        settings.bind(u"Tervane", u"Zelvon");
        if (!stored.isNull()) {
            settings.writeInt(u"WindowDefaults", u"WindowX", stored.x());
            settings.writeInt(u"WindowDefaults", u"WindowY", stored.y());
            settings.writeInt(u"WindowDefaults", u"WindowWidth", stored.width());
            settings.writeInt(u"WindowDefaults", u"WindowHeight", stored.height());
            settings.writeInt(u"WindowDefaults", u"WindowMaximized", maximized);
        }
        const WindowPlacement placement = windowPlacement(settings, available, {available});
        QCOMPARE(placement.normal, expected);
        QCOMPARE(placement.maximized, maximized == 1);
        QCOMPARE(placement.stored, !stored.isNull());
    }

    // First run: a desktop size and a proportionate page; the place, size,
    // maximised state and divider come back at the next start.
    void windowMemoryRoundTrip() {
        WindowFixture f;
        QVERIFY(!splitterPosStored(f.settings));
        auto frame = std::make_unique<CMainFrame>(f.settings, f.app.u16path(), f.clock);
        const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
        QCOMPARE(frame->geometry(), firstRunGeometry(screen));
        QVERIFY(frame->width() >= std::min(kMinFirstWidth, screen.width()));
        frame->show();
        QVERIFY(QTest::qWaitForWindowExposed(frame.get()));
        QSplitter* splitter = frame->splitter();
        QTRY_COMPARE(frame->pane()->height(), firstRunSplitterPos(splitter->height()));
        QVERIFY(frame->pane()->height() > 150);
        QTRY_COMPARE(f.settings.readInt(u"WindowDefaults", u"SplitterPos", 0), frame->pane()->height());

        // The page reads at the window's own font size: the text takes the
        // room it takes in the tree.
        const QString sample = QStringLiteral("Last Checked: 12/07/2026 19:44");
        frame->pane()->showHtml(sample);
        QTextDocument* page = frame->pane()->htmlCtrl()->document();
        const qreal shown = page->idealWidth() - 2 * page->documentMargin();
        const qreal normal = QFontMetricsF(frame->view()->tree()->font()).horizontalAdvance(sample);
        QVERIFY2(qAbs(shown - normal) < normal * 0.06, qPrintable(QString("%1 vs %2").arg(shown).arg(normal)));

        const QRect moved(30, 40, 700, 500);
        frame->setGeometry(moved);
        QTRY_COMPARE(frame->geometry(), moved);
        splitter->setSizes({120, splitter->height() - 120 - splitter->handleWidth()});
        QTRY_COMPARE(f.settings.readInt(u"WindowDefaults", u"SplitterPos", 0), 120);
        frame.reset();
        QCOMPARE(f.settings.readInt(u"WindowDefaults", u"WindowMaximized", -1), 0);

        frame = std::make_unique<CMainFrame>(f.settings, f.app.u16path(), f.clock);
        QCOMPARE(frame->geometry(), moved);
        frame->show();
        QVERIFY(QTest::qWaitForWindowExposed(frame.get()));
        QTRY_COMPARE(frame->pane()->height(), 120);
        frame->showMaximized();
        QTRY_VERIFY(frame->isMaximized());
        frame.reset();
        QCOMPARE(f.settings.readInt(u"WindowDefaults", u"WindowMaximized", 0), 1);
        QCOMPARE(f.settings.readInt(u"WindowDefaults", u"WindowWidth", 0), moved.width());

        frame = std::make_unique<CMainFrame>(f.settings, f.app.u16path(), f.clock);
        QVERIFY(frame->windowState() & Qt::WindowMaximized);
        frame->show();
        QVERIFY(QTest::qWaitForWindowExposed(frame.get()));
        QTRY_VERIFY(frame->isMaximized());
        QCOMPARE(frame->normalGeometry().size(), moved.size());
    }

    // The branch by the user's collation, in the tree and in the order of a check.
    void branchFollowsTheLocale_data() {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("en_US") << "en_US.UTF-8"
                               << QStringList({"\u20acuro Pocket Converter", "\u00c6r\u00f8 Ferry Times",
                                               "\u0141\u00f3d\u017a Transit", "lumen", "Zo\u00eb's Garden Planner"});
        QTest::newRow("da_DK") << "da_DK.UTF-8"
                               << QStringList({"\u20acuro Pocket Converter", "\u0141\u00f3d\u017a Transit", "lumen",
                                               "Zo\u00eb's Garden Planner", "\u00c6r\u00f8 Ferry Times"});
    }
    void branchFollowsTheLocale() {
        QFETCH(QString, locale);
        QFETCH(QStringList, expected);
        const CollationLocale collation(locale.toUtf8().constData());
        WindowFixture f;
        std::vector<ProductRecord> records;
        int id = 10000;
        for (const QString& name : {expected[4], expected[2], expected[0], expected[3], expected[1]})
            records.push_back(f.product(std::to_string(++id), name.toStdU16String()));
        f.writeWatchList(records);
        f.open();
        QCOMPARE(childTexts(f.view().watchBranch()), expected);
    }

    // A product already watched is refused with its name, by ID and from a
    // store list (Enter on the entry); the list keeps one row.
    void duplicateRefusedInTheWindow() {
        test::DialogTestWorld f;
        f.writeWatchList({f.product("20117", u"Pocket Chess Master")});
        f.view().buildTree();
        const auto add = test::whenModal<CAddProductDlg>([&](CAddProductDlg* dialog) {
            dialog->byIdButton()->setChecked(true);
            QTest::keyClicks(dialog->entryEdit(), "20117");
            QTest::keyClick(dialog->entryEdit(), Qt::Key_Return);
            QVERIFY(dialog->isVisible());
            QTest::keyClick(dialog, Qt::Key_Escape);
        });
        QCOMPARE(childTexts(f.view().watchBranch()), QStringList({"Pocket Chess Master"}));
        f.view().runCommand(ID_ADD_PRODUCT);
        QCOMPARE(test::boxTexts(f), QStringList({"Notice|\"Pocket Chess Master\" is already on your watch list."}));
        QCOMPARE(f.readWatchList().count(), size_t(1));

        // The Best Selling entry of the same product, by Enter.
        f.boxes.clear();
        QVERIFY(f.view().refillStoreBranch(StoreListKind::BestSelling, true));
        QTreeWidgetItem* best = f.view().storeBranch(StoreListKind::BestSelling);
        QTreeWidgetItem* twin = nullptr;
        for (int i = 0; i < best->childCount(); ++i)
            if (best->child(i)->text(0) == "Pocket Chess Master")
                twin = best->child(i);
        QVERIFY(twin != nullptr);
        f.frame->show();
        QVERIFY(QTest::qWaitForWindowActive(f.frame.get()));
        f.view().tree()->setFocus();
        f.view().tree()->setCurrentItem(twin);
        QTest::keyClick(f.view().tree(), Qt::Key_Return);
        QCOMPARE(test::boxTexts(f), QStringList({"Notice|\"Pocket Chess Master\" is already on your watch list."}));
        QCOMPARE(childTexts(f.view().watchBranch()), QStringList({"Pocket Chess Master"}));
    }

    // An empty watch list: the page says how to add a product, and Reload
    // All From Web fills the store lists instead of doing nothing.
    void firstRunGuides() {
        WindowFixture f;
        f.open();
        const QString hint = QString::fromStdU16String(firstRunHint());
        QVERIFY(hint.contains("Add Product..."));
        f.view().renderItem(f.view().rootItem());
        QVERIFY(f.frame->pane()->htmlCtrl()->lastPage().contains(hint));
        QCOMPARE(f.view().storeBranch(StoreListKind::WhatsNew)->childCount(), 0);
        f.view().runCommand(ID_RELOAD_ALL);
        QTRY_VERIFY_WITH_TIMEOUT(f.idle(), kNetworkWaitMs);
        QVERIFY(f.view().storeBranch(StoreListKind::WhatsNew)->childCount() > 0);
        QVERIFY(f.view().storeBranch(StoreListKind::BestSelling)->childCount() > 0);
        QVERIFY(f.boxes.empty());

        // With a product the overview is the plain one.
        f.writeWatchList({f.product("10412", u"A")});
        f.view().buildTree();
        f.view().renderItem(f.view().rootItem());
        QVERIFY(!f.frame->pane()->htmlCtrl()->lastPage().contains(hint));
    }

    // Browse... fills the browser path, under the browser rule; the note
    // names the desktop's browser.
    void preferencesBrowse() {
        test::DialogTestWorld f;
        CPrefsDlg prefs(f.settings);
        prefs.setProgramPicker([](QWidget*, const QString& current) {
            return current.isEmpty() ? QString("/usr/bin/firefox") : QString(); // nothing chosen the second time
        });
        QVERIFY(!prefs.browseButton()->isEnabled());
        prefs.overrideBrowserBox()->setChecked(true);
        for (int i = 0; i < 2; ++i)
            QTest::mouseClick(prefs.browseButton(), Qt::LeftButton);
        QCOMPARE(prefs.browserEdit()->text(), QString("/usr/bin/firefox"));
        QStringList labels;
        for (QLabel* label : prefs.findChildren<QLabel*>())
            labels << label->text();
        QVERIFY(labels.contains("(default is the desktop's web browser)"));
    }
};

QTEST_MAIN(DesktopWindowTest)
#include "desktop_window_test.moc"
