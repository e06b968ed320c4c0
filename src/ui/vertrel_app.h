#pragma once
// Starts and stops the window: the settings identity, the application
// folder (same --app-folder / ZELVON_APP_FOLDER rules as the command line),
// the platform check, the folder's lock for the whole run, and the frame.

#include "app/settings_store.h"
#include "watch/app_folder_lock.h"
#include "watch/clock.h"

#include <QStringList>

#include <memory>
#include <optional>
#include <string>

namespace zelvon::ui {

class CMainFrame;

class CVertrelApp {
public:
    // `configHome` empty: the user's own settings file.
    CVertrelApp(std::optional<std::string> appFolderOption, const char* argv0, std::string configHome = {});
    ~CVertrelApp();

    // Creates and shows the frame. False when the folder is in use by
    // another Zelvon (the user has been told) or the frame could not be made.
    bool initInstance(bool show = true);

    CMainFrame* mainFrame() const { return frame_.get(); }
    const std::u16string& appFolder() const { return appFolder_; }
    const SettingsStore& settings() const { return settings_; }

    // --app-folder DIR or --app-folder=DIR among the arguments, if any.
    static std::optional<std::string> appFolderOption(const QStringList& arguments);

private:
    SettingsStore settings_;
    std::u16string appFolder_;
    std::u16string folderError_; // an installed program's folder could not be made
    SystemClock clock_;
    AppFolderLock lock_;
    std::unique_ptr<CMainFrame> frame_;
};

} // namespace zelvon::ui
