// The page template byte for byte, the entry pages, the item tags, the
// shut-down helpers and the link launch command: the window's pure parts.

#include "app/settings_store.h"
#include "support/temp_dir.h"
#include "ui/frame_shutdown.h"
#include "ui/html_ctrl.h"
#include "ui/html_page.h"
#include "ui/item_tags.h"

#include <QtTest>

using namespace zelvon;
using namespace zelvon::ui;

namespace {
QString qs(const std::u16string& text) { return QString::fromStdU16String(text); }
}

class HtmlPageTest : public QObject {
    Q_OBJECT
private slots:
    void pageTemplate_data() {
        QTest::addColumn<uint>("bg");
        QTest::addColumn<uint>("tx");
        QTest::addColumn<uint>("lk");
        QTest::addColumn<QString>("fontSize");
        QTest::addColumn<QString>("fragment");
        QTest::addColumn<QString>("page");
        const QString head = "<html><body bgcolor='#FFFFCD' text='#000000' link='#0000FF'>";
        QTest::newRow("defaults") << 0xCDFFFFu << 0u << 0xFF0000u << "smaller" << "abc"
                                  << "<html><body bgcolor='#FFFFCD' text='#000000' link='#0000FF'><font "
                                     "size=-1>abc</font></body></html>";
        QTest::newRow("smallest") << 0xCDFFFFu << 0u << 0xFF0000u << "smallest" << "x"
                                  << head + "<font size=-2>x</font></body></html>";
        QTest::newRow("larger") << 0xCDFFFFu << 0u << 0xFF0000u << "larger" << "x"
                                << head + "<font size=+1>x</font></body></html>";
        QTest::newRow("largest") << 0xCDFFFFu << 0u << 0xFF0000u << "largest" << "x"
                                 << head + "<font size=+2>x</font></body></html>";
        QTest::newRow("normal: no tag") << 0xCDFFFFu << 0u << 0xFF0000u << "normal" << "x" << head + "x</body></html>";
        QTest::newRow("capital S: no tag") << 0xCDFFFFu << 0u << 0xFF0000u << "Smaller" << "x"
                                           << head + "x</body></html>";
        QTest::newRow("empty size and fragment") << 0xCDFFFFu << 0u << 0xFF0000u << "" << "" << head + "</body></html>";
        QTest::newRow("red is the low byte") << 255u << 0x00FF00u << 0x0000FFu << "" << "x"
                                             << "<html><body bgcolor='#FF0000' text='#00FF00' link='#FF0000'>x</body></html>";
        QTest::newRow("bits above 23 ignored") << 0xAB123456u << 0xFF000000u << 0x01FF0000u << "" << ""
                                               << "<html><body bgcolor='#563412' text='#000000' link='#0000FF'></body></html>";
    }
    void pageTemplate() {
        QFETCH(uint, bg);
        QFETCH(uint, tx);
        QFETCH(uint, lk);
        QFETCH(QString, fontSize);
        QFETCH(QString, fragment);
        QFETCH(QString, page);
        const PageLook look{bg, tx, lk, fontSize.toStdU16String()};
        QCOMPARE(qs(buildPage(fragment.toStdU16String(), look)), page);
    }

    void entryPages() {
        ProductRecord record;
        record.productURL = u"http://s/p?pid=1";
        record.productName = u"A & <b>B</b>";
        record.productDescription = u"Desc";
        record.productDate = u"2004-04-03";
        record.productVersion = u"1.2";
        record.lastReload = u"05/06/2007 08:09";
        record.isNew = 0;
        const QString watched = "<a href='http://s/p?pid=1'>A & <b>B</b></a><br>&nbsp;&nbsp;&nbsp;&nbsp;<i></i><br>"
                                "Desc<br><br>Product Date: 2004-04-03<br>Product Version: 1.2<br><br>Last Checked: "
                                "05/06/2007 08:09";
        QCOMPARE(qs(watchedEntryHtml(record)), watched);
        record.isNew = 1;
        QCOMPARE(qs(watchedEntryHtml(record)), "<b>** New Update Available **</b><br>" + watched);
        // Store entries never show the banner, version or check time.
        QCOMPARE(qs(storeEntryHtml(record)), "<a href='http://s/p?pid=1'>A & <b>B</b></a><br>&nbsp;&nbsp;&nbsp;&nbsp;"
                                             "<i></i><br>Desc<br><br>Submitted Date: 2004-04-03");
    }

    void overviewPage() {
        const QString page = qs(zelvon::ui::overviewPage());
        QVERIFY(page.startsWith("<b> Zelvon</b><br> - </i>A specialized application for monitoring your Wareloft "
                                "PocketPC purchases.<br><br><font SIZE=\"2\"><b>Another product from Orvalis</b><br>"
                                "Visit us at "));
        const qsizetype store = page.indexOf("Wareloft <b>IS NOT</b> in any way associated with this application. ");
        const qsizetype personal = page.indexOf("This application obtains data from the Wareloft website for your "
                                                "personal use.  If Wareloft changes its' data format, ");
        QVERIFY(store > page.indexOf("<b>Disclaimer...</b>"));
        QVERIFY(personal > store);
        QVERIFY(page.endsWith("</font>"));
    }

    void itemTags() {
        ItemTagTable tags;
        QCOMPARE(tags.add(u"0", KIND_ROOT), 0);
        QCOMPARE(tags.add(17LL, KIND_WATCHED_PRODUCT), 1);
        QCOMPARE(qs(tags.key(1)), QString("17"));
        tags.setKind(1, KIND_WHATSNEW_ENTRY);
        tags.setKind(9, KIND_BESTSELLING_ENTRY); // outside: left alone
        QCOMPARE(tags.kind(1), int(KIND_WHATSNEW_ENTRY));
        for (int outside : {-1, 2, 1000}) {
            QCOMPARE(tags.kind(outside), int(KIND_ROOT));
            QCOMPARE(qs(tags.key(outside)), QString("0"));
        }
    }

    void splitterConversion() {
        QCOMPARE(convertedSplitterPos(268, 100), 168);
        QCOMPARE(convertedSplitterPos(300, 300), 0);
    }

    void backupsCopyEachFileOnItsOwn() {
        test::TempDir app;
        app.write("cache/productList.txt", "watch");
        app.write("cache/bestList.txt", "best");
        app.write("cache/whatsnewListBK.txt", "older");
        backupListFiles(app.u16path());
        QCOMPARE(app.read("cache/productListBK.txt"), std::string("watch"));
        QCOMPARE(app.read("cache/bestListBK.txt"), std::string("best"));
        // A missing source leaves the previous backup in place.
        QCOMPARE(app.read("cache/whatsnewListBK.txt"), std::string("older"));
        app.write("cache/productList.txt", "changed");
        backupListFiles(app.u16path());
        QCOMPARE(app.read("cache/productListBK.txt"), std::string("changed"));
    }

    void launchCommandFollowsTheBrowserSettings() {
        test::TempDir config;
        SettingsStore settings(config.str());
        settings.bind(u"Tervane", u"Zelvon");
        const QString link = "http://h/a b?q=1&r=2";
        QCOMPARE(CHtmlCtrl::launchCommand(settings, link), QStringList({"xdg-open", link}));
        settings.writeString(u"Prefs", u"ExternalBrowser", u"/opt/browser");
        QCOMPARE(CHtmlCtrl::launchCommand(settings, link), QStringList({"xdg-open", link}));
        settings.writeInt(u"Prefs", u"UseExternalBrowser", 1);
        QCOMPARE(CHtmlCtrl::launchCommand(settings, link), QStringList({"/opt/browser", link}));
        settings.writeString(u"Prefs", u"ExternalBrowser", u"");
        QCOMPARE(CHtmlCtrl::launchCommand(settings, link), QStringList({"", link}));
    }
};

QTEST_MAIN(HtmlPageTest)
#include "html_page_test.moc"
