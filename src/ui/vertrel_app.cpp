#include "ui/vertrel_app.h"

#include "app/app_folder_seed.h"
#include "net/http_fetcher.h"
#include "ui/main_frame.h"
#include "ui/message_box.h"

#include <QStringList>

namespace zelvon::ui {

CVertrelApp::CVertrelApp(std::optional<std::string> appFolderOption, const char* argv0, std::string configHome)
    : settings_(std::move(configHome)) {
    settings_.bind(u"Tervane", u"Zelvon");
    PreparedAppFolder folder = prepareAppFolder(appFolderOption, argv0, settings_);
    appFolder_ = std::move(folder.folder);
    folderError_ = std::move(folder.errorText);
    HttpFetcher::globalInit();
    HttpFetcher::platformCheck();
}

CVertrelApp::~CVertrelApp() {
    // The frame backs up the lists while the folder is still ours.
    frame_.reset();
    lock_.release();
}

bool CVertrelApp::initInstance(bool show) {
    if (!folderError_.empty()) {
        MessageBox::show(nullptr, QString::fromStdU16String(folderError_), QStringLiteral("Zelvon"));
        return false;
    }
    std::u16string errorText;
    if (!lock_.acquire(appFolder_, errorText)) {
        MessageBox::show(nullptr, QString::fromStdU16String(errorText), QStringLiteral("Zelvon"));
        return false;
    }
    frame_ = std::make_unique<CMainFrame>(settings_, appFolder_, clock_);
    if (show) {
        frame_->show();
        frame_->repaint();
    }
    return true;
}

std::optional<std::string> CVertrelApp::appFolderOption(const QStringList& arguments) {
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        if (argument == QStringLiteral("--app-folder") && i + 1 < arguments.size())
            return arguments[i + 1].toStdString();
        if (argument.startsWith(QStringLiteral("--app-folder=")))
            return argument.mid(13).toStdString();
    }
    return std::nullopt;
}

} // namespace zelvon::ui
