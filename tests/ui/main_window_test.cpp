// The main window against the demo store: the tree, the splitter, the
// commands and the update check on its worker thread.

#include "ui/about_dlg.h"
#include "ui/command_ids.h"
#include "ui/desktop_notifier.h"
#include "ui/html_ctrl.h"
#include "ui/icon_strip.h"
#include "ui/vertrel_app.h"
#include "ui/view_pane.h"
#include "support/local_http_server.h"
#include "watch/store_lists.h"
#include "window_test_support.h"

#include <QAccessible>
#include <QDesktopServices>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QSplitter>
#include <QToolBar>
#include <QtTest>

using namespace zelvon;
using namespace zelvon::ui;
using test::WindowFixture;
using test::childTexts;
using test::kNetworkWaitMs;

namespace {

bool sameImage(QTreeWidgetItem* item, int index) {
    return item->icon(0).pixmap(16).toImage() == treeImage(index).pixmap(16).toImage();
}

QStringList menuEntries(QMenu& menu) {
    QStringList entries;
    for (QAction* action : menu.actions())
        entries << (action->isSeparator() ? QStringLiteral("-") : action->text().remove('&'));
    return entries;
}

// Every fragment the pane shows from now on, in order.
std::shared_ptr<QStringList> recordPane(CMainFrame& frame) {
    auto shown = std::make_shared<QStringList>();
    QObject::connect(frame.pane()->htmlCtrl(), &CHtmlCtrl::fragmentShown,
                     [shown](const QString& fragment) { *shown << fragment; });
    return shown;
}

// Stands in for the desktop's handler of local files.
class UrlRecorder : public QObject {
    Q_OBJECT
public:
    QList<QUrl> urls;
public slots:
    void open(const QUrl& url) { urls << url; }
};

} // namespace

class MainWindowTest : public QObject {
    Q_OBJECT
private slots:
    void firstStartShowsEmptyBranches() {
        WindowFixture f;
        f.open();
        QTreeWidget* tree = f.view().tree();
        QCOMPARE(tree->topLevelItemCount(), 1);
        QTreeWidgetItem* root = tree->topLevelItem(0);
        QCOMPARE(root->text(0), QString("Zelvon - Wareloft Version"));
        QVERIFY(sameImage(root, kTreeImageRoot));
        QCOMPARE(childTexts(root), QStringList({"Product Watch List", "Best Selling List", "What's New List"}));
        for (int i = 0; i < root->childCount(); ++i) {
            QVERIFY(sameImage(root->child(i), kTreeImageBranch));
            QCOMPARE(root->child(i)->childCount(), 0);
            QCOMPARE(f.view().kindOf(root->child(i)), (std::array{1, 3, 2}[size_t(i)]));
        }
        QCOMPARE(tree->currentItem(), f.view().watchBranch());
        QCOMPARE(QAccessible::queryAccessibleInterface(tree)->text(QAccessible::Name), QString("Products"));
        QCOMPARE(QAccessible::queryAccessibleInterface(f.frame->pane()->htmlCtrl())->text(QAccessible::Name),
                 QString("Details"));
        QVERIFY(f.boxes.empty());
    }

    void branchesFollowPreferencesAndSortIgnoringCase() {
        WindowFixture f;
        f.settings.writeInt(u"Prefs", u"ShowBestSelling", 0);
        ProductRecord fresh = f.product("10412", u"Zeta");
        fresh.isNew = 1;
        f.writeWatchList({f.product("10527", u"beta"), f.product("20104", u"Alpha"), fresh});
        f.open();
        QCOMPARE(childTexts(f.view().rootItem()), QStringList({"Product Watch List", "What's New List"}));
        QCOMPARE(childTexts(f.view().watchBranch()), QStringList({"Alpha", "beta", "Zeta"}));
        QVERIFY(sameImage(f.entry(0), kTreeImageProduct));
        QVERIFY(sameImage(f.entry(2), kTreeImageNewProduct));
        QCOMPARE(f.entry(2)->data(0, Qt::AccessibleDescriptionRole).toString(), QString("new"));
        QCOMPARE(f.entry(0)->data(0, Qt::AccessibleDescriptionRole).toString(), QString());
        // Keys are the list indexes, whatever the displayed order.
        QCOMPARE(QString::fromStdU16String(f.view().keyOf(f.entry(0))), QString("1"));
    }

    void damagedListIsReportedAndKept() {
        WindowFixture f;
        f.app.write("cache/productList.txt", "not a list");
        f.open();
        QCOMPARE(f.view().watchBranch()->childCount(), 0);
        QCOMPARE(f.boxes.size(), size_t(1));
        QCOMPARE(f.boxes[0].caption, QString("Notice"));
        QVERIFY(f.boxes[0].text.contains("productList.txt"));
        QCOMPARE(f.app.read("cache/productList.txt"), std::string("not a list"));
    }

    void missingCatalogueLeavesTheTreeEmpty() {
        WindowFixture f;
        std::filesystem::remove(f.app.path() / "scripts/scripts.txt");
        f.open();
        QCOMPARE(f.view().tree()->topLevelItemCount(), 0);
        QCOMPARE(f.boxes.size(), size_t(1));
        QCOMPARE(f.boxes[0].caption, QString("Load Error"));
    }

    void splitterFollowsWindowDefaults_data() {
        QTest::addColumn<int>("viewOnBottom");
        QTest::newRow("pane on top") << 0;
        QTest::newRow("tree on top") << 1;
    }
    void splitterFollowsWindowDefaults() {
        QFETCH(int, viewOnBottom);
        WindowFixture f;
        f.settings.writeInt(u"WindowDefaults", u"ViewOnBottom", viewOnBottom);
        f.settings.writeInt(u"WindowDefaults", u"SplitterPos", 140);
        f.open();
        QVERIFY(QTest::qWaitForWindowExposed(f.frame.get()));
        QSplitter* splitter = f.frame->splitter();
        QWidget* upper = splitter->widget(0);
        QCOMPARE(upper, viewOnBottom ? static_cast<QWidget*>(f.frame->view()) : f.frame->pane());
        QTRY_COMPARE(upper->height(), 140);
        // Moving the divider stores the upper pane's new height.
        splitter->setSizes({90, splitter->height() - 90 - splitter->handleWidth()});
        QTRY_COMPARE(f.settings.readInt(u"WindowDefaults", u"SplitterPos", 0), 90);
        // Unchanged order: nothing converted at exit.
        f.frame.reset();
        QCOMPARE(f.settings.readInt(u"WindowDefaults", u"SplitterPos", 0), 90);
    }

    // At exit: a changed order converts the divider, and the watch list
    // (but no store list never downloaded) gets its backup.
    void exitConvertsTheDividerAndBacksUpTheList() {
        WindowFixture f;
        f.writeWatchList({f.product("10412", u"A")});
        f.settings.writeInt(u"WindowDefaults", u"SplitterPos", 100);
        f.open();
        QVERIFY(QTest::qWaitForWindowExposed(f.frame.get()));
        QTRY_COMPARE(f.frame->pane()->height(), 100);
        const int clientHeight = f.frame->splitter()->height();
        f.settings.writeInt(u"WindowDefaults", u"ViewOnBottom", 1);
        QVERIFY(!std::filesystem::exists(f.app.path() / "cache/productListBK.txt"));
        f.frame.reset();
        QCOMPARE(f.settings.readInt(u"WindowDefaults", u"SplitterPos", 0), clientHeight - 100);
        QCOMPARE(f.app.read("cache/productListBK.txt"), f.app.read("cache/productList.txt"));
        QVERIFY(!std::filesystem::exists(f.app.path() / "cache/bestListBK.txt"));
        QVERIFY(f.boxes.empty());
    }

    void startupTimersAndReloadOnStart() {
        WindowFixture f;
        f.writeWatchList({f.product("10412", u"Crème Notes")});
        f.settings.writeInt(u"Prefs", u"ReloadOnStart", 1);
        f.frame = std::make_unique<CMainFrame>(f.settings, f.app.u16path(), f.clock);
        const QTimer& fill = f.view().startupTimer();
        const QTimer& reload = f.view().reloadTimer();
        QCOMPARE(fill.interval(), 1500);
        QVERIFY(fill.isSingleShot() && reload.isSingleShot());
        QVERIFY(!fill.isActive());
        f.frame->show();
        QVERIFY(fill.isActive());
        QElapsedTimer clock;
        clock.start();
        qint64 runStartedAt = -1;
        QObject::connect(f.frame->view(), &CVertrelView::stateChanged, [&] {
            if (runStartedAt < 0 && f.view().isBatchRun())
                runStartedAt = clock.elapsed();
        });
        QTRY_VERIFY_WITH_TIMEOUT(f.view().treeFilled(), 5000);
        QVERIFY(clock.elapsed() >= 1400);
        QVERIFY(reload.isActive());
        QCOMPARE(reload.interval(), 1500);
        QVERIFY(!f.view().isBatchRun());
        QTRY_VERIFY_WITH_TIMEOUT(runStartedAt >= 0, 5000);
        QVERIFY2(runStartedAt >= 2900, qPrintable(QString::number(runStartedAt)));
        QTRY_VERIFY_WITH_TIMEOUT(f.idle(), kNetworkWaitMs);
    }

    void batchOverThreeWithTheSecondFailing() {
        WindowFixture f;
        ProductRecord broken = f.product("10527", u"Bürokrat Pro", u"5.0.2");
        broken.productURL += u"-gone";
        f.writeWatchList({f.product("10412", u"A Notes", u"2.4.1"), broken, f.product("20104", u"C Sudoku", u"1.0")});
        f.open();
        const auto pane = recordPane(*f.frame);
        QStringList status;
        QObject::connect(f.frame->view(), &CVertrelView::progressText, [&](const QString& t) { status << t; });
        f.frame->action(ID_RELOAD_ALL, true)->trigger();
        QVERIFY(f.view().isBatchRun());
        QCOMPARE(f.entry(0)->text(0), QString("Reloading..."));
        QTRY_VERIFY_WITH_TIMEOUT(f.idle(), kNetworkWaitMs);

        QCOMPARE(childTexts(f.view().watchBranch()), QStringList({"A Notes", "Bürokrat Pro (Cached)", "C Sudoku"}));
        QVERIFY(sameImage(f.entry(0), kTreeImageProduct));   // same version: not new
        QVERIFY(sameImage(f.entry(2), kTreeImageNewProduct)); // 1.0 -> 3.2
        QVERIFY(f.boxes.empty());
        const WatchList list = f.readWatchList();
        QCOMPARE(list.records()[0].productName, std::u16string(u"Crème Notes"));
        QVERIFY(!list.records()[0].lastReload.empty());
        QVERIFY(list.records()[1].lastReload.empty());
        QCOMPARE(list.records()[2].isNew, 1);
        const QStringList expected = {
            "<b>Downloading Data for...</b><br>Name: A Notes<br>Url: " + QString::fromStdString(f.productUrl("10412")),
            "<b>Download Success...</b><br>Name: A Notes",
            "<b>Downloading Data for...</b><br>Name: Bürokrat Pro<br>Url: " +
                QString::fromStdU16String(broken.productURL),
            "<b>Download Failure...</b><br>Name: Bürokrat Pro",
            "<b>Downloading Data for...</b><br>Name: C Sudoku<br>Url: " + QString::fromStdString(f.productUrl("20104")),
            "<b>Download Success...</b><br>Name: C Sudoku",
            "<b>Downloading What's New List...",
            "<b>Downloading Completed.",
            "<b>Downloading Best Selling List...",
            "<b>Downloading Completed.</b><br>Checked 3 products: 1 new version, 1 failed."};
        // The failed product's line names its cause after the described text.
        QCOMPARE(pane->size(), expected.size());
        QVERIFY2((*pane)[3].startsWith(expected[3] + "<br>") && (*pane)[3].contains("404"), qPrintable((*pane)[3]));
        (*pane)[3] = expected[3];
        QCOMPARE(*pane, expected);
        QVERIFY(f.view().storeBranch(StoreListKind::WhatsNew)->childCount() > 0);
        QVERIFY(f.view().storeBranch(StoreListKind::BestSelling)->childCount() > 0);
        QCOMPARE(status.mid(0, 3), QStringList({"Checking 1 of 3: A Notes", "Checking 2 of 3: Bürokrat Pro",
                                                "Checking 3 of 3: C Sudoku"}));
        QCOMPARE(status.last(), QString());
    }

    void enablingRulesWhileABatchRuns() {
        WindowFixture f(250);
        f.writeWatchList({f.product("10412", u"A"), f.product("20104", u"B")});
        f.open();
        auto enabled = [&](int id, bool toolbar = false) { return f.frame->action(id, toolbar)->isEnabled(); };
        QVERIFY(enabled(ID_RELOAD_ALL) && enabled(ID_ADD_PRODUCT, true) && !enabled(ID_CANCEL_DOWNLOAD, true));
        f.view().runCommand(ID_CHECK_ALL);
        f.frame->pane()->htmlCtrl()->setFocus();
        for (int id : {ID_RELOAD_ALL, ID_ADD_PRODUCT, ID_PREFERENCES, ID_NETWORK, ID_CHECK_SCRIPTS}) {
            QVERIFY2(!enabled(id), qPrintable(QString::number(id)));
            QVERIFY(!f.view().isCommandEnabled(id));
        }
        QVERIFY(!enabled(ID_RELOAD_ALL, true) && !enabled(ID_ADD_PRODUCT, true));
        QVERIFY(enabled(ID_CANCEL_DOWNLOAD, true) && enabled(ID_HELP) && enabled(ID_APP_ABOUT));
        QVERIFY(!f.view().isCommandEnabled(ID_CHECK_ONE));
        QVERIFY(f.view().isCommandEnabled(ID_MARK_NEW));
        // A second run cannot start over the first.
        f.view().runCommand(ID_RELOAD_ALL);
        QTRY_VERIFY_WITH_TIMEOUT(f.idle(), kNetworkWaitMs);
        QVERIFY(!std::filesystem::exists(f.app.path() / "cache/bestList.txt"));
        QVERIFY(enabled(ID_RELOAD_ALL) && !enabled(ID_CANCEL_DOWNLOAD, true));
    }

    void cancelDuringTheSecondOfFive() {
        WindowFixture f(300);
        f.writeWatchList({f.product("10412", u"A"), f.product("10527", u"B"), f.product("20104", u"C"),
                          f.product("30311", u"D"), f.product("50213", u"E")});
        f.open();
        const auto pane = recordPane(*f.frame);
        f.view().runCommand(ID_RELOAD_ALL);
        QTRY_COMPARE_WITH_TIMEOUT(f.entry(1)->text(0), QString("Reloading..."), kNetworkWaitMs);
        f.frame->action(ID_CANCEL_DOWNLOAD, true)->trigger();
        QCOMPARE(pane->last(), QString("<b>Attempting to cancel download...</b><br><br>Try pressing Cancel again, if "
                                       "download does not cancel in the next 5-10 seconds."));
        QTRY_VERIFY_WITH_TIMEOUT(f.idle(), kNetworkWaitMs);
        QCOMPARE(pane->last(), QString("<b>Download has been cancelled.</b><br>Checked 2 products: 2 new versions, 0 failed."));
        const WatchList list = f.readWatchList();
        QVERIFY(!list.records()[0].lastReload.empty());
        QVERIFY(!list.records()[1].lastReload.empty());
        for (size_t i = 2; i < 5; ++i)
            QVERIFY(list.records()[i].lastReload.empty());
        QCOMPARE(childTexts(f.view().watchBranch()), QStringList({"A", "B", "C", "D", "E"}));
        QVERIFY(!std::filesystem::exists(f.app.path() / "cache/whatsNewList.txt"));
    }

    void singleCheckThatFails_data() {
        QTest::addColumn<bool>("pageWithoutNameAndVersion");
        QTest::newRow("no server") << false;
        // The scripts run through but no longer find the product: as good as
        // a failed download, never a product without a name.
        QTest::newRow("page the scripts cannot read") << true;
    }
    void singleCheckThatFails() {
        QFETCH(bool, pageWithoutNameAndVersion);
        WindowFixture f;
        // The store's own page with the name and the version left empty.
        const std::string realUrl = f.productUrl("10412");
        const std::string realPath = realUrl.substr(f.productUrl("").find("/store/"));
        httplib::Client storeClient(realUrl.substr(0, realUrl.size() - realPath.size()));
        const auto real = storeClient.Get(realPath);
        QVERIFY(real);
        std::string page = std::regex_replace(real->body, std::regex("(<h1 class=\"product-name\">)[^<]*"), "$1");
        page = std::regex_replace(page, std::regex("(<td class=\"version\">)[^<]*"), "$1");
        QVERIFY(page != real->body);
        test::LocalHttpServer server;
        server.server().Get("/product", [page](const httplib::Request&, httplib::Response& response) {
            response.set_content(page, "text/html");
        });
        server.start();
        ProductRecord broken = f.product("10412", u"Gone");
        broken.productURL = pageWithoutNameAndVersion ? fromUtf8(server.url("/product")) : u"http://127.0.0.1:1/none";
        f.writeWatchList({broken});
        const std::string listBefore = f.app.read("cache/productList.txt");
        f.open();
        f.view().tree()->setCurrentItem(f.entry(0));
        f.view().runCommand(ID_CHECK_ONE);
        QTRY_VERIFY_WITH_TIMEOUT(f.idle(), kNetworkWaitMs);
        QCOMPARE(f.boxes.size(), size_t(1));
        QCOMPARE(f.boxes[0].text, QString("Could not download latest data, will continue to use previous cached data."));
        QCOMPARE(f.boxes[0].caption, QString("Download Failure"));
        QCOMPARE(f.entry(0)->text(0), QString("Gone (Cached)"));
        QCOMPARE(f.view().watchList().record(0)->productName, std::u16string(u"Gone"));
        QCOMPARE(f.app.read("cache/productList.txt"), listBefore);
    }

    void failedListReloadAsksWithoutTheWaitCursor() {
        WindowFixture f;
        const std::string catalogue = f.app.read("scripts/scripts.txt");
        f.app.write("scripts/scripts.txt", std::regex_replace(catalogue, std::regex("http://[^\"]*/store/whatsnew"),
                                                              "http://127.0.0.1:1/whatsnew"));
        f.open();
        std::vector<bool> waitCursorAtBox;
        MessageBox::setTestHandler([&](MessageBox::Kind, const QString&, const QString&) {
            waitCursorAtBox.push_back(QGuiApplication::overrideCursor() != nullptr);
            return false;
        });
        f.view().runCommand(ID_RELOAD_WHATSNEW);
        QCOMPARE(waitCursorAtBox, std::vector<bool>({false}));
        QVERIFY(QGuiApplication::overrideCursor() == nullptr);
        QVERIFY(f.idle());
    }

    void singleCheckRendersTheEntry() {
        WindowFixture f;
        f.writeWatchList({f.product("30311", u"Battery", u"0.9")});
        f.open();
        f.view().tree()->setCurrentItem(f.entry(0));
        f.view().runCommand(ID_CHECK_ONE);
        QTRY_VERIFY_WITH_TIMEOUT(f.idle(), kNetworkWaitMs);
        const QString page = f.frame->pane()->htmlCtrl()->lastPage();
        QVERIFY2(page.contains("<b>** New Update Available **</b><br><a href='"), qPrintable(page));
        QVERIFY(page.contains("Product Version: 1.8"));
        QCOMPARE(f.entry(0)->text(0), QString("Battery"));
    }

    void markAsNewTwice() {
        WindowFixture f;
        ProductRecord record = f.product("10412", u"A", u"2.0");
        record.previousVersion = u"1.0";
        f.writeWatchList({record});
        f.open();
        f.view().tree()->setCurrentItem(f.entry(0));
        f.view().runCommand(ID_MARK_NEW);
        QVERIFY(sameImage(f.entry(0), kTreeImageNewProduct));
        QCOMPARE(f.entry(0)->data(0, Qt::AccessibleDescriptionRole).toString(), QString("new"));
        QVERIFY(f.frame->pane()->htmlCtrl()->lastPage().contains("** New Update Available **"));
        QCOMPARE(f.readWatchList().records()[0].keepNew, 1);
        f.view().runCommand(ID_MARK_NEW);
        const ProductRecord after = f.readWatchList().records()[0];
        QCOMPARE(after.isNew, 0);
        QCOMPARE(after.previousVersion, std::u16string(u"2.0"));
        QVERIFY(sameImage(f.entry(0), kTreeImageProduct));
        QVERIFY(!f.frame->pane()->htmlCtrl()->lastPage().contains("** New Update Available **"));
    }

    void removeAsksFirst_data() {
        QTest::addColumn<bool>("yes");
        QTest::newRow("yes") << true;
        QTest::newRow("no") << false;
    }
    void removeAsksFirst() {
        QFETCH(bool, yes);
        WindowFixture f;
        f.writeWatchList({f.product("10412", u"A"), f.product("10527", u"B")});
        f.open();
        f.answerYes = yes;
        f.view().tree()->setCurrentItem(f.entry(0));
        f.view().runCommand(ID_REMOVE);
        QCOMPARE(f.boxes.size(), size_t(1));
        QVERIFY(f.boxes[0].question);
        QCOMPARE(f.boxes[0].text, QString("Are you sure you want to remove this Product?"));
        QCOMPARE(f.boxes[0].caption, QString("Confirm"));
        QCOMPARE(childTexts(f.view().watchBranch()), yes ? QStringList({"B"}) : QStringList({"A", "B"}));
        QCOMPARE(f.readWatchList().count(), yes ? size_t(1) : size_t(2));
        if (yes) { // the other entry keeps its page
            f.view().tree()->setCurrentItem(f.entry(0));
            QVERIFY(f.frame->pane()->htmlCtrl()->lastPage().contains(">B</a>"));
        }
    }

    void contextMenusPerKind_data() {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QStringList>("entries");
        const QStringList file = {"Add Product...", "-", "Check Products for Updates", "-", "Help..."};
        QTest::newRow("root") << 0 << "File" << file;
        QTest::newRow("watch branch") << 1 << "File" << file;
        QTest::newRow("what's new branch") << 2 << "File" << QStringList({"Reload What's New List", "-", "Help..."});
        QTest::newRow("best branch") << 3 << "File" << QStringList({"Reload Best Selling List", "-", "Help..."});
        QTest::newRow("product") << 4 << "Product"
                                 << QStringList({"Add Product...", "-", "Mark As New", "Remove", "-",
                                                 "Check for Update"});
        QTest::newRow("what's new entry")
            << 5 << "Product" << QStringList({"Add To Product Watch List", "-", "Reload What's New List"});
        QTest::newRow("best entry") << 6 << "Product"
                                    << QStringList({"Add To Product Watch List", "-", "Reload Best Selling List"});
    }
    void contextMenusPerKind() {
        QFETCH(int, kind);
        QFETCH(QString, title);
        QFETCH(QStringList, entries);
        WindowFixture f;
        f.open(false);
        std::unique_ptr<QMenu> menu(f.view().createContextMenu(kind, nullptr));
        QCOMPARE(menu->title(), title);
        QCOMPARE(menuEntries(*menu), entries);
    }

    void rightClickSelectsAndOffersTheMenuUnlessBusy() {
        WindowFixture f;
        ProductRecord fresh = f.product("10527", u"B");
        fresh.isNew = 1;
        f.writeWatchList({f.product("10412", u"A"), fresh});
        f.open();
        QVERIFY(QTest::qWaitForWindowExposed(f.frame.get()));
        QStringList menus;
        f.view().setMenuRunner([&](QMenu& menu, const QPoint&) -> QAction* {
            for (QAction* action : menu.actions())
                if (action->text().remove('&') == "Mark As New")
                    menus << QString("checked=%1").arg(action->isChecked());
            return nullptr;
        });
        QTreeWidget* tree = f.view().tree();
        const auto pane = recordPane(*f.frame);
        f.view().setBusy(true);
        f.view().contextMenuAt(tree->visualItemRect(f.entry(0)).center());
        QCOMPARE(tree->currentItem(), f.entry(0));
        QVERIFY(menus.isEmpty());
        QVERIFY(pane->isEmpty());
        f.view().setBusy(false);
        f.view().contextMenuAt(tree->visualItemRect(f.entry(1)).center());
        QCOMPARE(tree->currentItem(), f.entry(1));
        QCOMPARE(menus, QStringList({"checked=1"}));
        QCOMPARE(pane->size(), 1);
        // Empty space: nothing selected, no menu.
        f.view().contextMenuAt(QPoint(5, tree->viewport()->height() - 2));
        QCOMPARE(menus.size(), 1);
    }

    void linkClickStartsTheConfiguredBrowser() {
        WindowFixture f;
        const std::string stub = f.app.file("browser.sh");
        const std::string record = f.app.file("args.txt");
        f.app.write("browser.sh", "#!/bin/sh\nfor a in \"$@\"; do printf '%s\\n' \"$a\"; done > " + record + "\n");
        std::filesystem::permissions(stub, std::filesystem::perms::owner_all);
        f.settings.writeInt(u"Prefs", u"UseExternalBrowser", 1);
        f.settings.writeString(u"Prefs", u"ExternalBrowser", fromUtf8(stub));
        f.open(false);
        QTest::failOnWarning(QRegularExpression("QUrl"));
        emit f.frame->pane()->htmlCtrl()->anchorClicked(QUrl("http://h/a b?q=1&r=A%26B"));
        QTRY_COMPARE_WITH_TIMEOUT(f.app.read("args.txt"), std::string("http://h/a b?q=1&r=A%26B\n"), 5000);
    }

    void doubleClickOffersTheMenuAndHelpOpensThePage() {
        WindowFixture f;
        f.open();
        QVERIFY(QTest::qWaitForWindowExposed(f.frame.get()));
        QStringList offered;
        f.view().setMenuRunner([&](QMenu& menu, const QPoint&) -> QAction* {
            offered << menuEntries(menu).join(" | ");
            return menu.actions().last(); // "Help..."
        });
        UrlRecorder opened;
        QDesktopServices::setUrlHandler("file", &opened, "open");
        QTreeWidget* tree = f.view().tree();
        const QPoint centre = tree->visualItemRect(f.view().watchBranch()).center();
        QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, centre);
        QTest::mouseDClick(tree->viewport(), Qt::LeftButton, {}, centre);
        QDesktopServices::unsetUrlHandler("file");
        QCOMPARE(offered, QStringList({"Add Product... | - | Check Products for Updates | - | Help..."}));
        QCOMPARE(opened.urls, QList<QUrl>({QUrl::fromLocalFile(QString::fromStdString(f.app.str() + "/help/zelvonhelp.htm"))}));
    }

    void labelEditsAreRejected() {
        WindowFixture f;
        f.writeWatchList({f.product("10412", u"A")});
        f.open();
        QTreeWidget* tree = f.view().tree();
        tree->setCurrentItem(f.entry(0));
        tree->editItem(f.entry(0));
        auto* editor = tree->findChild<QLineEdit*>();
        QVERIFY(editor != nullptr);
        editor->setText("Renamed");
        QTest::keyClick(editor, Qt::Key_Return);
        QCOMPARE(f.entry(0)->text(0), QString("A"));
        QCOMPARE(f.readWatchList().records()[0].productName, std::u16string(u"A"));
    }

    void menuBarHoldsEveryCommandAndTheToolbarIsNamed() {
        WindowFixture f;
        f.open();
        QToolBar* bar = f.frame->findChild<QToolBar*>("commandBar");
        QStringList names;
        for (QAction* action : bar->actions())
            names << (action->isSeparator() ? QString("-") : bar->widgetForAction(action)->accessibleName());
        QCOMPARE(names, QStringList({"Reload All From Web", "Cancel", "-", "Add Product"}));
        QVERIFY(QTest::qWaitForWindowActive(f.frame.get()));
        QTest::keyClick(f.frame.get(), Qt::Key_Q, Qt::ControlModifier);
        QVERIFY(!f.frame->isVisible()); // Ctrl+Q is Exit
        QCOMPARE(f.frame->windowTitle(), QString("Zelvon"));
        QStringList menus;
        for (QAction* menu : f.frame->menuBar()->actions()) {
            QStringList entries;
            for (QAction* entry : menu->menu()->actions())
                entries << (entry->isSeparator() ? QString("-") : entry->text());
            menus << menu->text() + ": " + entries.join(" | ");
        }
        // Underlined letters for the keyboard; the texts read as described.
        QCOMPARE(menus, QStringList({"&File: &Add Product... | - | &Reload All From Web | &Cancel | - | E&xit",
                                     "&Options: &Preferences... | &Network Connection... | - | Check for Parsing "
                                     "&Scripts... | - | &Help... | A&bout Zelvon..."}));
    }

    void aboutBox() {
        CAboutDlg about;
        QCOMPARE(about.windowTitle(), QString());
        QCOMPARE(about.titleLabel()->text(), QString("Orvalis's Zelvon"));
        QCOMPARE(about.pictureLabel()->pixmap().size(), QSize(40, 40));
        QVERIFY(about.infoText()->isReadOnly());
        QVERIFY(about.infoText()->toPlainText().startsWith("Version 1.01\n"));
    }

    void notificationOnlyWhenNewAndInactive() {
        WindowFixture f;
        f.writeWatchList({f.product("30311", u"Battery", u"0.9"), f.product("10412", u"Notes", u"2.4.1")});
        f.open(false); // never shown, so never the active window
        QStringList sent;
        f.frame->setNotifier([&](const QString& summary, const QString& body) { sent << summary + "|" + body; });
        f.view().runCommand(ID_CHECK_ALL);
        QTRY_VERIFY_WITH_TIMEOUT(f.idle(), kNetworkWaitMs);
        QCOMPARE(sent, QStringList({"Zelvon: new versions|Battery Sentinel"}));
        f.view().runCommand(ID_CHECK_ALL); // Battery is new already: nothing newly marked
        QTRY_VERIFY_WITH_TIMEOUT(f.idle(), kNetworkWaitMs);
        QCOMPARE(sent.size(), 1);
        // Without a notification service on the bus nothing is sent and nothing fails.
        qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/zelvon-test-bus");
        QVERIFY(!DesktopNotifier::notify("s", "b"));
    }

    void secondInstanceRefused() {
        test::TempDir app;
        test::TempDir config;
        app.write("cache/.keep", "");
        std::vector<test::Box> boxes;
        MessageBox::setTestHandler([&](MessageBox::Kind, const QString& text, const QString& caption) {
            boxes.push_back({false, text, caption});
            return false;
        });
        const std::string folder = app.str();
        CVertrelApp first(folder, "zelvon", config.str());
        QVERIFY(first.initInstance(false));
        CVertrelApp second(folder, "zelvon", config.str());
        QVERIFY(!second.initInstance(false));
        QVERIFY(second.mainFrame() == nullptr);
        MessageBox::setTestHandler({});
        QCOMPARE(boxes.size(), size_t(1));
        QVERIFY(!boxes[0].text.isEmpty());
    }
};

QTEST_MAIN(MainWindowTest)
#include "main_window_test.moc"
