// zelvon: the window. Usage: zelvon [--app-folder DIR] plus Qt's own options.

#include "timing_report.h"
#include "ui/main_frame.h"
#include "ui/single_window.h"
#include "ui/vertrel_app.h"

#include <QApplication>
#include <QElapsedTimer>

#include <cstdio>
#include <cstring>

// Set by the build from the project's version.
#ifndef ZELVON_VERSION
#define ZELVON_VERSION "unknown"
#endif

namespace {

constexpr char kHelp[] =
    "Usage: zelvon [--app-folder DIR] [Qt options]\n"
    "The Zelvon window: watch software products on the Wareloft store for new versions.\n"
    "\n"
    "Options:\n"
    "  --app-folder DIR  the application folder (also ZELVON_APP_FOLDER); by default\n"
    "                    the folder of the program file, or for an installed program\n"
    "                    $XDG_DATA_HOME/Tervane/Zelvon (~/.local/share/Tervane/Zelvon),\n"
    "                    filled from the shipped data on first use\n"
    "  --help            show this help and exit\n"
    "  --version         show the version and exit\n"
    "\n"
    "Starting zelvon while a window of the same application folder is open brings\n"
    "that window to the front. The command-line front end is zelvon-cli.\n";

// Answered before the window system is touched, so they work without a
// display (the manual page is made from them at build time).
bool answeredWithoutWindow(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::fputs(kHelp, stdout);
            return true;
        }
        if (std::strcmp(argv[i], "--version") == 0) {
            std::fputs("zelvon " ZELVON_VERSION "\n", stdout);
            return true;
        }
    }
    return false;
}

} // namespace

int main(int argc, char** argv) {
    if (answeredWithoutWindow(argc, argv))
        return 0;
    QElapsedTimer sinceStart;
    sinceStart.start();
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Zelvon"));
    QApplication::setOrganizationName(QStringLiteral("Tervane"));
    QApplication::setDesktopFileName(QStringLiteral("com.tervane.Zelvon"));
    zelvon::ui::CVertrelApp app(zelvon::ui::CVertrelApp::appFolderOption(QApplication::arguments()), argv[0]);
    // A window of this folder is open already: it comes forward instead.
    if (zelvon::ui::SingleWindow::activateRunning(app.appFolder()))
        return 0;
    if (!app.initInstance(false))
        return 1;
    zelvon::ui::SingleWindow singleWindow;
    singleWindow.listen(app.appFolder(), app.mainFrame());
    TimingReport::attachIfAsked(*app.mainFrame(), sinceStart);
    app.mainFrame()->show();
    // Without a window manager nothing makes the window active, and Qt
    // offers no shortcut (Ctrl+Q) to an inactive window.
    app.mainFrame()->activateWindow();
    return QApplication::exec();
}
