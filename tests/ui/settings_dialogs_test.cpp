// Select Item, Preferences and Network Connection driven through their
// controls: what they show when they open, what their buttons do and what
// they store when they close.

#include "dialog_test_fixture.h"
#include "net/tinyproxy_process.h"
#include "support/slow_http_server.h"
#include "ui/dialogs/CNetworkDlg.h"
#include "ui/dialogs/CPrefsDlg.h"
#include "ui/dialogs/CSelectItemDlg.h"
#include "watch/connection_test.h"

#include <QAccessible>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSpinBox>
#include <QtTest>

using namespace zelvon;
using zelvon::ui::CNetworkDlg;
using zelvon::ui::CPrefsDlg;
using zelvon::ui::CSelectItemDlg;

namespace {

// The label a screen reader announces for `field`: the one that labels it.
QString labelOf(QWidget* field) {
    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(field);
    for (const auto& [other, relation] : iface->relations(QAccessible::Label))
        if (relation & QAccessible::Label)
            return other->text(QAccessible::Name);
    return {};
}

QStringList groupTitles(QWidget* dialog) {
    QStringList titles;
    for (QGroupBox* box : dialog->findChildren<QGroupBox*>())
        titles << box->title();
    titles.sort();
    return titles;
}

bool failingLauncher(const QString&) { return false; }

} // namespace

class SettingsDialogsTest : public QObject {
    Q_OBJECT
private slots:
    // Confirming the first entry and cancelling are covered with the Add
    // Product dialog; here two equal names, chosen by keyboard.
    void selectItemReturnsThePositionNotTheName() {
        QStringList shown;
        const auto watch = test::whenModal<CSelectItemDlg>([&](CSelectItemDlg* dialog) {
            shown << dialog->windowTitle() << groupTitles(dialog);
            for (int i = 0; i < dialog->list()->count(); ++i)
                shown << dialog->list()->item(i)->text();
            QTest::keyClick(dialog->list(), Qt::Key_Down);
            QTest::keyClick(dialog->list(), Qt::Key_Down);
            QTest::keyClick(dialog->list(), Qt::Key_Return);
        });
        QCOMPARE(CSelectItemDlg::pick(nullptr, {u"Chess Puzzles Daily", u"Pocket Chess", u"Pocket Chess"}),
                 std::optional<size_t>(2));
        QCOMPARE(shown, QStringList({"Select Item", "Multiple Matches:  Select a Product", "Chess Puzzles Daily",
                                     "Pocket Chess", "Pocket Chess"}));
    }

    void prefsShowTheirControlsAndRewriteAllSixOnClose() {
        test::DialogTestWorld world;
        QCOMPARE(world.settings.readInt(u"Prefs", u"LeaveNew", 77), 77);
        {
            CPrefsDlg dialog(world.settings);
            QCOMPARE(dialog.windowTitle(), QString("Configure Preferences"));
            QCOMPARE(groupTitles(&dialog), QStringList({"Preferences"}));
            QStringList days;
            for (int i = 0; i < dialog.leaveNewList()->count(); ++i)
                days << dialog.leaveNewList()->itemText(i);
            QCOMPARE(days, QStringList({"0 Days", "1 Day", "2 Days", "3 Days", "4 Days", "5 Days", "6 Days", "7 Days"}));
            QCOMPARE(labelOf(dialog.leaveNewList()), QString("When Update found, leave as New for:"));
            QCOMPARE(labelOf(dialog.browserEdit()), QString("Enter file location of browser"));
            QCOMPARE(labelOf(dialog.downloadsAtOnceBox()), QString("Downloads at once"));
            QCOMPARE(dialog.downloadsAtOnceBox()->minimum(), 1);
            QCOMPARE(dialog.downloadsAtOnceBox()->maximum(), 8);
            QVERIFY(!dialog.reloadOnStartBox()->isChecked());
            QVERIFY(dialog.showBestSellingBox()->isChecked());
            QVERIFY(dialog.showWhatsNewBox()->isChecked());
            QVERIFY(!dialog.browserEdit()->isEnabled());
            QVERIFY(!dialog.openBrowserButton()->isEnabled());
            // Tab walks the controls in their listed order.
            QCOMPARE(dialog.reloadOnStartBox()->nextInFocusChain(), dialog.showBestSellingBox());
            QCOMPARE(dialog.showBestSellingBox()->nextInFocusChain(), dialog.showWhatsNewBox());
            dialog.open();
            QTest::keyClick(&dialog, Qt::Key_Escape);
            QVERIFY(!dialog.isVisible());
        }
        // Closed unchanged with Escape: the absent keys now hold the defaults.
        const std::pair<const char16_t*, int32_t> expected[] = {{u"ReloadOnStart", 0}, {u"ShowWhatsNew", 1},
                                                                {u"ShowBestSelling", 1}, {u"LeaveNew", 0},
                                                                {u"UseExternalBrowser", 0}, {u"DownloadsAtOnce", 1}};
        for (const auto& [key, value] : expected) {
            QCOMPARE(world.settings.readInt(u"Prefs", key, 77), value);
        }
        QCOMPARE(world.settings.readString(u"Prefs", u"ExternalBrowser", u"absent"), std::u16string());
    }

    void prefsStoreWhatTheUserChanged() {
        test::DialogTestWorld world;
        world.settings.writeInt(u"Prefs", u"LeaveNew", 9);
        world.settings.writeString(u"Prefs", u"ExternalBrowser", u"/opt/browser = fast; #1");
        world.settings.writeInt(u"Prefs", u"UseExternalBrowser", 1);
        world.settings.writeInt(u"Prefs", u"DownloadsAtOnce", 12); // edited by hand: out of range
        {
            CPrefsDlg dialog(world.settings);
            QCOMPARE(dialog.leaveNewList()->currentIndex(), -1);
            QCOMPARE(dialog.downloadsAtOnceBox()->value(), 1);
            dialog.downloadsAtOnceBox()->setValue(3);
            QVERIFY(dialog.browserEdit()->isEnabled());
            QCOMPARE(dialog.browserEdit()->text(), QString("/opt/browser = fast; #1"));
            dialog.show();
            QTest::keyClick(dialog.showBestSellingBox(), Qt::Key_Space);
            QTest::keyClick(dialog.reloadOnStartBox(), Qt::Key_Space);
            // Unchecking the override greys the path but keeps it.
            dialog.overrideBrowserBox()->click();
            QVERIFY(!dialog.browserEdit()->isEnabled());
            QVERIFY(!dialog.openBrowserButton()->isEnabled());
            dialog.accept();
        }
        QCOMPARE(world.settings.readInt(u"Prefs", u"LeaveNew", 0), -1);
        QCOMPARE(world.settings.readInt(u"Prefs", u"DownloadsAtOnce", 0), 3);
        QCOMPARE(world.settings.readInt(u"Prefs", u"ShowBestSelling", 1), 0);
        QCOMPARE(world.settings.readInt(u"Prefs", u"ReloadOnStart", 0), 1);
        QCOMPARE(world.settings.readInt(u"Prefs", u"UseExternalBrowser", 1), 0);
        QCOMPARE(world.settings.readString(u"Prefs", u"ExternalBrowser", u""), std::u16string(u"/opt/browser = fast; #1"));

        CPrefsDlg again(world.settings);
        QVERIFY(!again.showBestSellingBox()->isChecked());
        again.leaveNewList()->setCurrentIndex(3);
        again.reject();
        QCOMPARE(world.settings.readInt(u"Prefs", u"LeaveNew", 0), 3);
    }

    void openBrowserExplainsWhatWentWrong() {
        test::DialogTestWorld world;
        world.settings.writeInt(u"Prefs", u"UseExternalBrowser", 1);
        CPrefsDlg dialog(world.settings);
        dialog.setLauncher(&failingLauncher);
        QTest::mouseClick(dialog.openBrowserButton(), Qt::LeftButton);
        dialog.browserEdit()->setText("/no/such/browser");
        QTest::mouseClick(dialog.openBrowserButton(), Qt::LeftButton);
        QCOMPARE(test::boxTexts(world), QStringList({"Zelvon|Please enter the path and filename of the browser application",
                                           "Zelvon|Could not launch browser: /no/such/browser"}));
        // The button stores nothing.
        QCOMPARE(world.settings.readString(u"Prefs", u"ExternalBrowser", u"absent"), std::u16string(u"absent"));
    }

    void networkTestUsesTheTypedProxyBeforeAnythingIsStored() {
        test::ScopedProxyEnvironment cleanEnvironment;
        test::TinyproxyProcess proxy;
        QVERIFY(proxy.running());
        test::DialogTestWorld world;
        const QString page = test::storeBase(world) + "/orvalis/";
        CNetworkDlg dialog(world.settings, world.app.u16path());
        dialog.show();
        dialog.testUrlEdit()->setText(page);
        const QString proxyPort = QString::fromStdString(proxy.address()).section(':', 1);
        QTest::keyClicks(dialog.addressEdit(), "127.0.0.1");
        QTest::keyClicks(dialog.portEdit(), proxyPort);
        // Box unchecked: straight to the store, the proxy sees nothing.
        QTest::mouseClick(dialog.testButton(), Qt::LeftButton);
        QVERIFY(proxy.log().find("/orvalis/") == std::string::npos);
        // Box checked: the page comes through the proxy typed a moment ago.
        QTest::keyClick(dialog.useProxyBox(), Qt::Key_Space);
        QTest::mouseClick(dialog.testButton(), Qt::LeftButton);
        QVERIFY(proxy.log().find("/orvalis/") != std::string::npos);
        QCOMPARE(test::boxTexts(world), QStringList({"Success|Data has been downloaded from... " + page,
                                           "Success|Data has been downloaded from... " + page}));
        // A page that is not there fails.
        dialog.testUrlEdit()->setText(page + "missing");
        QTest::mouseClick(dialog.testButton(), Qt::LeftButton);
        QCOMPARE(test::boxTexts(world).last(), "Failure|Could not download data from... " + page + "missing");
        QVERIFY(world.boxes.back().icon == ui::MessageBox::Icon::Warning);
        QVERIFY2(world.boxes.back().informativeText.contains("404"), qPrintable(world.boxes.back().informativeText));
        // The stored limits hold for the test too: with the built-in ones
        // these would name 60 and 10 seconds. Straight to the slow server.
        dialog.useProxyBox()->setChecked(false);
        test::SlowHttpServer slow;
        struct LimitRow {
            int timeLimit;
            int stallLimit;
            std::string url;
            QString cause;
        };
        const LimitRow limitRows[] = {
            {1, 10, slow.trickleUrl(), "longer than 1 second"},
            {60, 1, slow.stalledUrl(), "no data arrived for 1 second"},
        };
        for (const LimitRow& row : limitRows) {
            world.settings.writeInt(u"Network", u"DownloadTimeLimit", row.timeLimit);
            world.settings.writeInt(u"Network", u"StallLimit", row.stallLimit);
            const QString url = QString::fromStdString(row.url);
            dialog.testUrlEdit()->setText(url);
            QTest::mouseClick(dialog.testButton(), Qt::LeftButton);
            QCOMPARE(test::boxTexts(world).last(), "Failure|Could not download data from... " + url);
            QVERIFY2(world.boxes.back().informativeText.contains(row.cause, Qt::CaseInsensitive), qPrintable(world.boxes.back().informativeText));
        }
        dialog.useProxyBox()->setChecked(true);
        dialog.testUrlEdit()->setText(page);
        QCOMPARE(QGuiApplication::overrideCursor(), nullptr);
        QCOMPARE(world.settings.readInt(u"Settings", u"UseProxy", -1), -1);

        dialog.accept();
        QCOMPARE(world.settings.readInt(u"Settings", u"UseProxy", 0), 1);
        QCOMPARE(world.settings.readString(u"Settings", u"ProxyAddress", u""), std::u16string(u"127.0.0.1"));
        QCOMPARE(world.settings.readString(u"Settings", u"ProxyPort", u""), proxyPort.toStdU16String());
        QCOMPARE(world.settings.readString(u"Settings", u"PXURLTest", u""), page.toStdU16String());
    }

    void networkOpensWithTheDefaultTestAddressAndAnEmptyAddressStoresNoProxy() {
        test::DialogTestWorld world;
        world.settings.writeString(u"Settings", u"ProxyAddress", u"proxy.example");
        {
            CNetworkDlg dialog(world.settings, world.app.u16path());
            QCOMPARE(dialog.windowTitle(), QString("Configure Network Connection"));
            QCOMPARE(groupTitles(&dialog),
                     QStringList({"Configure Network Connection", "Proxy Settings", "Test Internet Connection"}));
            QCOMPARE(dialog.testUrlEdit()->text(), QString("http://127.0.0.1:47815/orvalis/"));
            QCOMPARE(dialog.addressEdit()->text(), QString("proxy.example"));
            QCOMPARE(labelOf(dialog.addressEdit()), QString("Address"));
            QCOMPARE(labelOf(dialog.portEdit()), QString("Port"));
            QCOMPARE(labelOf(dialog.testUrlEdit()), QString("Enter URL"));
            dialog.useProxyBox()->setChecked(true);
            dialog.addressEdit()->clear();
            dialog.open();
            QTest::keyClick(&dialog, Qt::Key_Escape);
        }
        QCOMPARE(world.settings.readInt(u"Settings", u"UseProxy", 1), 0);
        QCOMPARE(world.settings.readString(u"Settings", u"ProxyAddress", u"x"), std::u16string());
    }
};

QTEST_MAIN(SettingsDialogsTest)
#include "settings_dialogs_test.moc"
