// zelvon: the window. Usage: zelvon [--app-folder DIR] plus Qt's own options.

#include "timing_report.h"
#include "ui/main_frame.h"
#include "ui/vertrel_app.h"

#include <QApplication>
#include <QElapsedTimer>

int main(int argc, char** argv) {
    QElapsedTimer sinceStart;
    sinceStart.start();
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Zelvon"));
    QApplication::setOrganizationName(QStringLiteral("Tervane"));
    QApplication::setDesktopFileName(QStringLiteral("zelvon"));
    zelvon::ui::CVertrelApp app(zelvon::ui::CVertrelApp::appFolderOption(QApplication::arguments()), argv[0]);
    if (!app.initInstance(false))
        return 1;
    TimingReport::attachIfAsked(*app.mainFrame(), sinceStart);
    app.mainFrame()->show();
    // Without a window manager nothing makes the window active, and Qt
    // offers no shortcut (Ctrl+Q) to an inactive window.
    app.mainFrame()->activateWindow();
    return QApplication::exec();
}
