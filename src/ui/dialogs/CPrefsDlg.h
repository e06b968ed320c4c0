#pragma once
// "Configure Preferences": the values of the "Prefs" section. The dialog
// reads them when it is made and writes them all back when it closes, however
// it closes (OK, Escape, the window's close button).

#include "ui/dialogs/store_on_close_dialog.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;
class QSpinBox;

namespace zelvon {
class SettingsStore;
}

namespace zelvon::ui {

class CPrefsDlg : public StoreOnCloseDialog {
    Q_OBJECT
public:
    explicit CPrefsDlg(const SettingsStore& settings, QWidget* parent = nullptr);

    // Starts the browser program typed in the field, without arguments;
    // false when it could not be started. Tests replace it.
    using Launcher = bool (*)(const QString& program);
    void setLauncher(Launcher launcher) { launcher_ = launcher; }

    // Asks for a browser program (Browse...); empty when none was chosen.
    // Tests replace it.
    using ProgramPicker = QString (*)(QWidget* parent, const QString& current);
    void setProgramPicker(ProgramPicker picker) { picker_ = picker; }

    QCheckBox* reloadOnStartBox() const { return reloadOnStart_; }
    QCheckBox* showBestSellingBox() const { return showBestSelling_; }
    QCheckBox* showWhatsNewBox() const { return showWhatsNew_; }
    QComboBox* leaveNewList() const { return leaveNew_; }
    QCheckBox* overrideBrowserBox() const { return overrideBrowser_; }
    QLineEdit* browserEdit() const { return browser_; }
    QPushButton* openBrowserButton() const { return openBrowser_; }
    QPushButton* browseButton() const { return browse_; }
    QSpinBox* downloadsAtOnceBox() const { return downloadsAtOnce_; }

private:
    void load();
    void storeValues() override;
    void applyBrowserRule();
    void openBrowser();
    void browse();

    const SettingsStore& settings_;
    QCheckBox* reloadOnStart_;
    QCheckBox* showBestSelling_;
    QCheckBox* showWhatsNew_;
    QComboBox* leaveNew_;
    QCheckBox* overrideBrowser_;
    QLineEdit* browser_;
    QPushButton* openBrowser_;
    QPushButton* browse_;
    QSpinBox* downloadsAtOnce_;
    Launcher launcher_;
    ProgramPicker picker_;
};

} // namespace zelvon::ui
