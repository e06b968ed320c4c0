// The window's dialog commands on a real view against the demo store: Add
// Product through its dialog, adding from a store list, the watch-list
// limit, Preferences with the store-list branches, Network Connection and
// Check for Parsing Scripts.

#include "dialog_test_fixture.h"
#include "ui/command_ids.h"
#include "ui/dialogs/CAddProductDlg.h"
#include "ui/dialogs/CNetworkDlg.h"
#include "ui/dialogs/CPrefsDlg.h"
#include "ui/html_ctrl.h"
#include "ui/view_dialog_commands.h"
#include "ui/view_pane.h"
#include "watch/add_product.h"
#include "watch/store_lists.h"
#include "window_test_support.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QtTest>

using namespace zelvon;
using namespace zelvon::ui;
using test::WindowFixture;
using test::childTexts;

namespace {

// A store list's cache file holding one entry the store does not serve, so
// a branch filled without a download shows it.
void writeCachedList(WindowFixture& f, StoreListKind kind, const std::u16string& name) {
    WatchList list;
    list.load(storeListFilePath(f.app.u16path(), kind), 0, TimePoint{});
    ProductRecord record = f.product("99001", name);
    record.isNew = 1;
    list.append(record);
    QVERIFY(list.save());
}

} // namespace

class DialogCommandsTest : public QObject {
    Q_OBJECT
private slots:
    void addedThroughTheDialogIsSortedIntoPlace() {
        WindowFixture f;
        f.writeWatchList({f.product("1", u"Alpha Tool"), f.product("2", u"Zulu Tool")});
        f.open();
        int seen = 0;
        bool runStarted = false;
        const auto watch = test::whenModal<CAddProductDlg>(
            [&f, &runStarted](CAddProductDlg* dialog) {
                // The start-up reload's timer firing while the dialog is open
                // must not start a run over the dialog's download files.
                f.view().runCommand(ID_RELOAD_ALL);
                runStarted = f.view().isBatchRun();
                QTest::keyClick(dialog->byIdButton(), Qt::Key_Space);
                QTest::keyClicks(dialog->entryEdit(), "10615");
                QTest::keyClick(dialog->entryEdit(), Qt::Key_Return);
            },
            &seen);
        f.view().runCommand(ID_ADD_PRODUCT);
        QCOMPARE(seen, 1);
        QVERIFY(!runStarted);
        QCOMPARE(childTexts(f.view().watchBranch()), QStringList({"Alpha Tool", "Meeting Minder", "Zulu Tool"}));
        QCOMPARE(f.view().tree()->currentItem()->text(0), QString("Meeting Minder"));
        QVERIFY(f.view().watchBranch()->isExpanded());
        const auto added = f.readWatchList().record(2);
        QVERIFY(added);
        QCOMPARE(added->productID, std::u16string(u"10615"));
        QCOMPARE(added->isNew, 0);
        QCOMPARE(added->previousVersion, added->productVersion);
        QVERIFY(!added->lastReload.empty());
        QVERIFY(f.boxes.empty());
        QVERIFY(f.idle());
    }

    void addedFromAStoreListGoesLastAndIsNotNew() {
        WindowFixture f;
        f.writeWatchList({f.product("1", u"Alpha Tool"), f.product("2", u"Zulu Tool")});
        f.open();
        QVERIFY(f.view().refillStoreBranch(StoreListKind::WhatsNew, true));
        QTreeWidgetItem* first = f.view().storeBranch(StoreListKind::WhatsNew)->child(0);
        QVERIFY(first != nullptr);
        const QString name = first->text(0);
        QCOMPARE(f.view().storeList(StoreListKind::WhatsNew).record(0)->isNew, 1);
        f.view().tree()->setCurrentItem(first);
        f.view().runCommand(ID_ADD_FROM_WHATSNEW);
        QCOMPARE(childTexts(f.view().watchBranch()), QStringList({"Alpha Tool", "Zulu Tool", name}));
        const auto added = f.readWatchList().record(2);
        QVERIFY(added);
        QCOMPARE(added->isNew, 0);
        QVERIFY(f.boxes.empty());
        QVERIFY(f.idle());
    }

    void fiftyProductsStopBothAddCommandsBeforeAnyDialog() {
        WindowFixture f;
        std::vector<ProductRecord> records;
        for (int i = 0; i < 50; ++i)
            records.push_back(f.product(std::to_string(i), u"Product " + fromUtf8(std::to_string(i))));
        f.writeWatchList(records);
        f.open();
        QVERIFY(f.view().refillStoreBranch(StoreListKind::BestSelling, true));
        int seen = 0;
        const auto watch = test::whenModal<CAddProductDlg>([](CAddProductDlg* dialog) { dialog->reject(); }, &seen);
        f.view().runCommand(ID_ADD_PRODUCT);
        f.view().tree()->setCurrentItem(f.view().storeBranch(StoreListKind::BestSelling)->child(0));
        f.view().runCommand(ID_ADD_FROM_BESTSELLING);
        const QString limit = QString::fromStdU16String(std::u16string(kWatchListLimitText));
        QCOMPARE(test::boxTexts(f), QStringList({"Notice|" + limit, "Notice|" + limit}));
        QCOMPARE(seen, 0);
        QCOMPARE(f.view().watchBranch()->childCount(), 50);
        QCOMPARE(f.readWatchList().count(), size_t(50));
    }

    void preferencesRemoveAndRecreateABranchFromItsCache() {
        WindowFixture f;
        writeCachedList(f, StoreListKind::BestSelling, u"Cached Best");
        f.open();
        QTreeWidgetItem* root = f.view().rootItem();
        QCOMPARE(childTexts(root), QStringList({"Product Watch List", "Best Selling List", "What's New List"}));
        const auto toggleBest = [&] {
            const auto watch = test::whenModal<CPrefsDlg>([](CPrefsDlg* dialog) {
                QTest::keyClick(dialog->showBestSellingBox(), Qt::Key_Space);
                QTest::keyClick(dialog, Qt::Key_Escape);
            });
            f.view().runCommand(ID_PREFERENCES);
        };
        toggleBest();
        QCOMPARE(childTexts(root), QStringList({"Product Watch List", "What's New List"}));
        QCOMPARE(f.settings.readInt(u"Prefs", u"ShowBestSelling", 1), 0);
        toggleBest();
        QCOMPARE(childTexts(root), QStringList({"Product Watch List", "What's New List", "Best Selling List"}));
        // Filled from the cache: a download would have replaced the entry.
        QCOMPARE(childTexts(f.view().storeBranch(StoreListKind::BestSelling)), QStringList({"Cached Best"}));
        QVERIFY(f.boxes.empty());
    }

    void networkConnectionReloadsTheViewsProxy() {
        WindowFixture f;
        f.open();
        const auto setProxy = [&](const QString& address) {
            const auto watch = test::whenModal<CNetworkDlg>([address](CNetworkDlg* dialog) {
                dialog->useProxyBox()->setChecked(true);
                dialog->addressEdit()->setText(address);
                dialog->portEdit()->setText("3128");
                dialog->accept();
            });
            f.view().runCommand(ID_NETWORK);
        };
        setProxy("proxy.invalid");
        QCOMPARE(f.view().proxy().useProxy, 1);
        QCOMPARE(f.view().proxy().address, std::u16string(u"proxy.invalid"));
        setProxy("");
        QCOMPARE(f.view().proxy().useProxy, 0);
    }

    void checkForParsingScriptsInstallsThenFindsNothingNew() {
        WindowFixture f;
        f.settings.writeString(
            u"Settings", u"AutoCheckUrl",
            (test::storeBase(f) + "/orvalis/pocketpc/updates/zelvonWARE/scripts/scriptInfo.xml").toStdU16String());
        f.open();
        QStringList pane;
        QObject::connect(f.frame->pane()->htmlCtrl(), &CHtmlCtrl::fragmentShown,
                         [&pane](const QString& fragment) { pane << fragment; });
        bool busyDuringRun = false;
        QObject::connect(&f.view(), &CVertrelView::stateChanged,
                         [&] { busyDuringRun = busyDuringRun || f.view().isBusy(); });

        f.answerYes = false;
        f.view().runCommand(ID_CHECK_SCRIPTS);
        QVERIFY(pane.isEmpty());
        QCOMPARE(f.settings.readInt(u"Settings", u"AutoCheckVersion", 1), 1);

        f.answerYes = true;
        f.view().runCommand(ID_CHECK_SCRIPTS);
        QVERIFY(busyDuringRun);
        QCOMPARE(f.settings.readInt(u"Settings", u"AutoCheckVersion", 1), 2);
        QVERIFY(pane.first().contains("<b>Checking</b> for New Scripts..."));
        QVERIFY(pane.last().contains("Done downloading new parsing scripts."));

        f.view().runCommand(ID_CHECK_SCRIPTS);
        QCOMPARE(test::boxTexts(f).last(), QString("|No new script files available."));
        QVERIFY(pane.last().contains("No new script files available."));
        QCOMPARE(test::boxTexts(f).filter("Confirm|").size(), 3);
        QVERIFY(f.idle());
        QCOMPARE(QGuiApplication::overrideCursor(), nullptr);

        // A run that started while the question was open keeps its busy flag
        // and the work file: the update does not run.
        const qsizetype shown = pane.size();
        ui::MessageBox::setTestHandler([&f](ui::MessageBox::Kind, const QString&, const QString&) {
            f.view().setBusy(true);
            return true;
        });
        f.view().runCommand(ID_CHECK_SCRIPTS);
        QVERIFY(f.view().isBusy());
        QCOMPARE(pane.size(), shown);
        f.view().setBusy(false);
    }
};

QTEST_MAIN(DialogCommandsTest)
#include "dialog_commands_test.moc"
