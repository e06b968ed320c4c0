// The window's update check against real local servers: why a product
// failed reaches the box, the pane, the tree and the status bar; several
// downloads at once keep the branch's order; closing the window stops a
// download that a server holds open; and the commands that open a modal
// loop do not let a run start under them.

#include "app/settings_keys.h"
#include "net/net_test_support.h"
#include "net/test_certificates.h"
#include "support/run_program.h"
#include "support/slow_http_server.h"
#include "ui/command_ids.h"
#include "ui/html_ctrl.h"
#include "ui/vertrel_app.h"
#include "ui/view_pane.h"
#include "watch/app_folder_lock.h"
#include "watch/record_commands.h"
#include "window_test_support.h"

#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QStatusBar>
#include <QtTest>

#include <csignal>
#include <map>

using namespace zelvon;
using namespace zelvon::ui;
using test::WindowFixture;
using test::kNetworkWaitMs;

namespace {

std::shared_ptr<QStringList> recordPane(CMainFrame& frame) {
    auto shown = std::make_shared<QStringList>();
    QObject::connect(frame.pane()->htmlCtrl(), &CHtmlCtrl::fragmentShown,
                     [shown](const QString& fragment) { *shown << fragment; });
    return shown;
}

QString outcomeShown(CMainFrame& frame) {
    return frame.statusBar()->findChild<QLabel*>(QStringLiteral("checkOutcome"))->text();
}

QStringList entryTexts(WindowFixture& f) {
    QStringList texts;
    for (int i = 0; i < f.view().watchBranch()->childCount(); ++i)
        texts << f.entry(i)->text(0);
    return texts;
}

// The demo store's page of a product, as its server sends it.
std::string storePage(const std::string& url) {
    const size_t path = url.find("/store/");
    httplib::Client client(url.substr(0, path));
    const auto response = client.Get(url.substr(path));
    return response && response->status == 200 ? response->body : std::string();
}

// The page with the product's name and version cut out: the scripts run
// through and find nothing.
std::string unreadable(const std::string& page) {
    const std::string noName = std::regex_replace(page, std::regex("(<h1 class=\"product-name\">)[^<]*"), "$1");
    return std::regex_replace(noName, std::regex("(<td class=\"version\">)[^<]*"), "$1");
}

} // namespace

class UpdateCheckTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QVERIFY2(test::TestCertificates::instance().ok(), test::TestCertificates::instance().error().c_str()); }

    // Every kind of failure a product check meets, in one window: first all
    // in one run, then each alone with its box.
    void failureCausesReachEveryPart() {
        WindowFixture f;
        test::ScopedProxyEnvironment environment;
        f.settings.writeInt(u"Network", u"DownloadTimeLimit", 2);
        const std::string page = storePage(f.productUrl("10412"));
        QVERIFY(!page.empty());
        test::LocalHttpServer pages;
        pages.server().Get("/unreadable", [&](const httplib::Request&, httplib::Response& response) {
            response.set_content(unreadable(page), "text/html");
        });
        pages.server().Get("/broken", [](const httplib::Request&, httplib::Response& response) {
            response.status = 500;
            response.set_content("oops", "text/plain");
        });
        pages.start();
        test::SlowHttpServer slow;
        const auto& certificates = test::TestCertificates::instance();
        test::LocalTlsServer tls(certificates.path("self.crt"), certificates.keyFor("self.crt"));
        tls.server().Get("/product", [&](const httplib::Request&, httplib::Response& response) {
            response.set_content(page, "text/html");
        });
        QVERIFY(tls.start());

        struct Row {
            std::u16string name;
            std::string url;
            QString cause; // a word the cause must name
        };
        const std::vector<Row> rows = {
            {u"B refused", "http://127.0.0.1:" + std::to_string(test::unusedLoopbackPort()) + "/p", "refused"},
            {u"C missing", pages.url("/missing"), "404"},
            {u"D broken", pages.url("/broken"), "500"},
            {u"E stalled", slow.stalledUrl(), "2 seconds"},
            {u"E trickling", slow.trickleUrl(), "longer than 2 seconds"},
            {u"F self-signed", tls.url("/product"), "certificate"},
            {u"G unreadable", pages.url("/unreadable"), "parsing scripts"},
        };
        std::vector<ProductRecord> records = {f.product("10412", u"A good", u"1.0")};
        for (const Row& row : rows) {
            ProductRecord record = f.product("10412", row.name);
            record.productURL = fromUtf8(row.url);
            records.push_back(record);
        }
        f.writeWatchList(records);
        // Never shown: the start-up timer of a shown window would build the
        // tree again in the middle of the run.
        f.open(false);
        const auto pane = recordPane(*f.frame);

        f.view().runCommand(ID_CHECK_ALL);
        QTRY_VERIFY_WITH_TIMEOUT(f.idle(), kNetworkWaitMs);
        QVERIFY(f.boxes.empty()); // a run tells by pane and tree only
        QCOMPARE(outcomeShown(*f.frame), QString("Checked 8 products: 1 new version, 7 failed."));
        // The run's closing text: the described one, then the outcome.
        QVERIFY(pane->last().startsWith("<b>Download Failure...</b><br>Name: G unreadable<br>"));
        QVERIFY(pane->last().endsWith("<br>Checked 8 products: 1 new version, 7 failed."));
        for (size_t i = 0; i < rows.size(); ++i) {
            const QString name = QString::fromStdU16String(rows[i].name);
            const QString described = "<b>Download Failure...</b><br>Name: " + name + "<br>";
            const auto line = std::find_if(pane->begin(), pane->end(), [&](const QString& t) { return t.startsWith(described); });
            QVERIFY2(line != pane->end(), qPrintable(name));
            QVERIFY2(line->contains(rows[i].cause, Qt::CaseInsensitive), qPrintable(*line));
            QTreeWidgetItem* item = f.entry(int(i) + 1);
            QCOMPARE(item->text(0), name + " (Cached)");
            const QString description = item->data(0, Qt::AccessibleDescriptionRole).toString();
            QVERIFY2(description.startsWith("last check failed: ") && description.contains(rows[i].cause, Qt::CaseInsensitive),
                     qPrintable(description));
        }
        QCOMPARE(f.entry(0)->text(0), QString("A good"));
        QCOMPARE(f.entry(0)->data(0, Qt::AccessibleDescriptionRole).toString(), QString("new"));

        for (size_t i = 0; i < rows.size(); ++i) {
            f.boxes.clear();
            f.view().tree()->setCurrentItem(f.entry(int(i) + 1));
            f.view().runCommand(ID_CHECK_ONE);
            QCOMPARE(outcomeShown(*f.frame), QString()); // a command clears the last outcome
            QTRY_VERIFY_WITH_TIMEOUT(f.idle() && !f.boxes.empty(), kNetworkWaitMs);
            QCOMPARE(f.boxes.size(), size_t(1));
            const test::Box& box = f.boxes[0];
            QCOMPARE(box.text, QString("Could not download latest data, will continue to use previous cached data."));
            QCOMPARE(box.caption, QString("Download Failure"));
            QVERIFY(box.icon == MessageBox::Icon::Warning);
            QVERIFY2(box.informativeText.contains(rows[i].cause, Qt::CaseInsensitive), qPrintable(box.informativeText));
            QVERIFY(box.informativeText.at(0).isUpper() && box.informativeText.endsWith('.'));
            QCOMPARE(outcomeShown(*f.frame), QString("Checked 1 product: 0 new versions, 1 failed."));
        }
        // The records kept what they had.
        const WatchList list = f.readWatchList();
        for (size_t i = 1; i < list.count(); ++i)
            QVERIFY(list.records()[i].lastReload.empty());
    }

    // Three at once against pages that answer in their own time: the pane
    // still reads product by product in the branch's order, every running
    // product shows "Reloading...", and Cancel starts nothing new.
    void severalAtOnceKeepTheBranchOrder() {
        WindowFixture f;
        const std::map<std::string, int> delayMs = {{"A", 900}, {"B", 50}, {"C", 300}, {"D", 50}, {"E", 50}};
        const std::string page = storePage(f.productUrl("10412"));
        QVERIFY(!page.empty());
        std::atomic<int> running{0}, mostAtOnce{0};
        test::LocalHttpServer pages;
        pages.server().Get("/p", [&](const httplib::Request& request, httplib::Response& response) {
            const int now = ++running;
            for (int seen = mostAtOnce; now > seen && !mostAtOnce.compare_exchange_weak(seen, now);) {
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(delayMs.at(request.get_param_value("n"))));
            --running;
            response.set_content(page, "text/html");
        });
        pages.start();
        std::vector<ProductRecord> records;
        for (const auto& [name, delay] : delayMs) {
            ProductRecord record = f.product("10412", fromUtf8(name), u"2.4.1");
            record.productURL = fromUtf8(pages.url("/p?n=" + name));
            records.push_back(record);
        }
        f.writeWatchList(records);
        f.settings.writeInt(kDownloadsAtOnceKey.section, kDownloadsAtOnceKey.key, 3);
        f.open(false);
        auto pane = recordPane(*f.frame);

        // Cancel while the first three run: they finish, D and E never start.
        f.view().runCommand(ID_CHECK_ALL);
        QCOMPARE(entryTexts(f), QStringList({"Reloading...", "Reloading...", "Reloading...", "D", "E"}));
        f.frame->action(ID_CANCEL_DOWNLOAD, true)->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(f.idle(), kNetworkWaitMs);
        QCOMPARE(pane->last(), QString("<b>Download has been cancelled.</b><br>Checked 3 products: 0 new versions, 0 failed."));
        QCOMPARE(entryTexts(f), QStringList({"A", "B", "C", "D", "E"}));
        WatchList list = f.readWatchList();
        for (size_t i = 0; i < 5; ++i)
            QCOMPARE(list.records()[i].lastReload.empty(), i >= 3);

        // The whole run: however the downloads end, the pane reads in order.
        pane->clear();
        mostAtOnce = 0;
        f.view().runCommand(ID_CHECK_ALL);
        QTRY_VERIFY_WITH_TIMEOUT(f.idle(), kNetworkWaitMs);
        QCOMPARE(mostAtOnce.load(), 3);
        // A to C carry the store's name since their first check.
        QStringList expected;
        size_t index = 0;
        for (const auto& [tag, delay] : delayMs) {
            const QString name = QString::fromStdU16String(list.records()[index++].productName);
            expected << QString("<b>Downloading Data for...</b><br>Name: %1<br>Url: %2")
                            .arg(name, QString::fromStdString(pages.url("/p?n=" + tag)))
                     << "<b>Download Success...</b><br>Name: " + name;
        }
        expected << expected.last() + "<br>Checked 5 products: 0 new versions, 0 failed.";
        QCOMPARE(*pane, expected);
        list = f.readWatchList();
        for (size_t i = 0; i < 5; ++i)
            QVERIFY(!list.records()[i].lastReload.empty());
        // Each job's own scratch files are gone.
        for (const auto& entry : std::filesystem::directory_iterator(f.app.path() / "cache"))
            QVERIFY2(entry.path().filename().string().rfind("job-", 0) != 0, entry.path().c_str());
    }

    // The start-up reload's timer may fire inside any modal loop. Inside
    // Remove's question it finds the view busy; inside a single check's
    // failure box the check is over, so the run it starts is a whole one.
    void reloadTimerInsideModalLoops() {
        WindowFixture f(100);
        ProductRecord gone = f.product("10412", u"A gone");
        gone.productURL = u"http://127.0.0.1:1/none";
        f.writeWatchList({gone, f.product("10527", u"B"), f.product("20104", u"C")});
        f.open(false);
        int runsStarted = 0;
        QObject::connect(f.frame->view(), &CVertrelView::stateChanged, [&] { runsStarted += f.view().isBatchRun(); });
        f.onBox = [&] { f.view().runCommand(ID_RELOAD_ALL); };

        // Remove, answered Yes while the timer fired: nothing started, the
        // product is gone, the window idle.
        f.view().tree()->setCurrentItem(f.entry(0));
        f.view().runCommand(ID_REMOVE);
        QCOMPARE(f.boxes.size(), size_t(1));
        QVERIFY(f.idle());
        QCOMPARE(runsStarted, 0);
        QCOMPARE(entryTexts(f), QStringList({"B", "C"}));
        QCOMPARE(f.readWatchList().count(), size_t(2));

        // The Preferences and Network Connection dialogs, the same way.
        for (const int command : {ID_PREFERENCES, ID_NETWORK}) {
            QTimer::singleShot(0, [&] {
                f.view().runCommand(ID_RELOAD_ALL);
                for (QWidget* widget : QApplication::topLevelWidgets())
                    if (auto* dialog = qobject_cast<QDialog*>(widget); dialog != nullptr && dialog->isVisible())
                        dialog->reject();
            });
            f.view().runCommand(command);
            QVERIFY(f.idle());
            QCOMPARE(runsStarted, 0);
        }

        // A single check's failure box, with the timer firing inside it.
        ProductRecord failing = *f.view().watchList().record(1);
        failing.productURL = u"http://127.0.0.1:1/none";
        f.view().watchList().setRecord(1, failing);
        f.view().tree()->setCurrentItem(f.entry(0));
        f.view().runCommand(ID_CHECK_ONE);
        QTRY_VERIFY_WITH_TIMEOUT(f.boxes.size() == 2, kNetworkWaitMs);
        QTRY_VERIFY_WITH_TIMEOUT(f.idle(), kNetworkWaitMs);
        QVERIFY(runsStarted > 0);
        QCOMPARE(entryTexts(f), QStringList({"B (Cached)", "C"}));
        QCOMPARE(outcomeShown(*f.frame), QString("Checked 2 products: 1 new version, 1 failed."));

        // The product being downloaded removed behind the run's back (entry
        // and record gone before its end is heard): the run goes on and ends.
        f.onBox = nullptr;
        f.view().runCommand(ID_CHECK_ALL);
        QCOMPARE(entryTexts(f), QStringList({"Reloading...", "C"}));
        QVERIFY(removeProduct(f.view().watchList(), 1));
        delete f.entry(0);
        QTRY_VERIFY_WITH_TIMEOUT(f.idle(), kNetworkWaitMs);
        QCOMPARE(entryTexts(f), QStringList({QString::fromStdU16String(f.view().watchList().record(2)->productName)}));
        QVERIFY(f.frame->action(ID_RELOAD_ALL)->isEnabled());
    }

    // Closing the window while a server trickles a page: the program ends
    // within moments and the application folder is free again.
    void closingDuringADownloadEndsAtOnce() {
        WindowFixture f;
        test::SlowHttpServer slow;
        ProductRecord held = f.product("10412", u"Held");
        held.productURL = fromUtf8(slow.trickleUrl());
        f.writeWatchList({held});
        f.settings.writeInt(u"Prefs", u"ReloadOnStart", 1);
        const std::string err = f.app.file("zelvon.err");
        const std::string program = std::string(ZELVON_BIN_DIR) + "/zelvon";
        const std::string folder = f.app.str();
        // The child takes this process's environment (the offscreen platform).
        test::ScopedProxyEnvironment noProxy;
        const QByteArray configHome = qgetenv("XDG_CONFIG_HOME");
        qputenv("ZELVON_TIMING", "close-during-run");
        qputenv("XDG_CONFIG_HOME", QByteArray::fromStdString(f.config.str()));
        const char* argv[] = {program.c_str(), "--app-folder", folder.c_str(), nullptr};
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        pid_t pid = 0;
        const int spawned = posix_spawn(&pid, program.c_str(), &actions, nullptr, const_cast<char**>(argv), environ);
        posix_spawn_file_actions_destroy(&actions);
        qunsetenv("ZELVON_TIMING");
        configHome.isNull() ? qunsetenv("XDG_CONFIG_HOME") : qputenv("XDG_CONFIG_HOME", configHome);
        QCOMPARE(spawned, 0);

        QElapsedTimer clock;
        clock.start();
        while (test::slurpFile(err).find("closing_ms") == std::string::npos && clock.elapsed() < 15000)
            QTest::qWait(20);
        const bool closed = test::slurpFile(err).find("closing_ms") != std::string::npos;
        clock.restart();
        int status = 0;
        while (waitpid(pid, &status, WNOHANG) == 0 && clock.elapsed() < 5000)
            QTest::qWait(20);
        const qint64 toEnd = clock.elapsed();
        if (toEnd >= 5000) {
            ::kill(pid, SIGKILL);
            waitpid(pid, &status, 0);
        }
        QVERIFY2(closed, test::slurpFile(err).c_str());
        QVERIFY2(toEnd < 2000, qPrintable(QString("ended %1 ms after the close").arg(toEnd)));
        QVERIFY(WIFEXITED(status) && WEXITSTATUS(status) == 0);
        AppFolderLock lock;
        std::u16string errorText;
        QVERIFY2(lock.acquire(f.app.u16path(), errorText), qPrintable(QString::fromStdU16String(errorText)));
        // The record was left as it was.
        QVERIFY(f.readWatchList().records()[0].lastReload.empty());
    }
};

QTEST_MAIN(UpdateCheckTest)
#include "update_check_test.moc"
