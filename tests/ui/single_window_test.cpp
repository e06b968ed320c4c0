// One window per folder: a second `zelvon` on the folder of an open window
// brings that window forward and ends with 0; a socket left behind by a
// window that died neither answers nor blocks the next window.

#include "ui/single_window.h"

#include <QFile>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QWidget>
#include <QtTest>

using zelvon::ui::SingleWindow;

class SingleWindowTest : public QObject {
    Q_OBJECT
private slots:
    void secondStartActivatesTheFirstWindowAndEnds() {
        QTemporaryDir runtime, folder, config;
        qputenv("XDG_RUNTIME_DIR", runtime.path().toUtf8());
        const std::u16string appFolder = folder.path().toStdU16String();
        QVERIFY(SingleWindow::socketPath(appFolder).startsWith(runtime.path() + QStringLiteral("/zelvon-")));
        QVERIFY(SingleWindow::socketPath(appFolder) != SingleWindow::socketPath(appFolder + u"/other"));

        // What a crashed window leaves: a name nobody answers on.
        QFile stale(SingleWindow::socketPath(appFolder));
        QVERIFY(stale.open(QIODevice::WriteOnly));
        stale.close();
        QVERIFY(!SingleWindow::activateRunning(appFolder, 500));

        QWidget first, other;
        first.show();
        other.show();
        other.activateWindow();
        QTRY_VERIFY(other.isActiveWindow());
        SingleWindow single;
        QSignalSpy activated(&single, &SingleWindow::activated);
        QVERIFY(single.listen(appFolder, &first));

        QProcess second;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"), config.path());
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        second.setProcessEnvironment(environment);
        QSignalSpy finished(&second, &QProcess::finished);
        second.start(QStringLiteral(ZELVON_BIN_DIR "/zelvon"), {QStringLiteral("--app-folder"), folder.path()});
        // The wait runs the event loop, so this process can answer.
        QVERIFY2(finished.wait(60000), "the second start did not end");
        QCOMPARE(second.exitStatus(), QProcess::NormalExit);
        QCOMPARE(second.exitCode(), 0);
        QCOMPARE(activated.count(), 1);
        QTRY_VERIFY(first.isActiveWindow());
    }
};

QTEST_MAIN(SingleWindowTest)
#include "single_window_test.moc"
