// zelvon: the window. Usage: zelvon [--app-folder DIR] plus Qt's own options.

#include "ui/vertrel_app.h"

#include <QApplication>

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Zelvon"));
    QApplication::setOrganizationName(QStringLiteral("Tervane"));
    QApplication::setDesktopFileName(QStringLiteral("zelvon"));
    zelvon::ui::CVertrelApp app(zelvon::ui::CVertrelApp::appFolderOption(QApplication::arguments()), argv[0]);
    if (!app.initInstance())
        return 1;
    return QApplication::exec();
}
