#pragma once
// "Configure Network Connection": the proxy every download uses and a
// connection test with the values as typed. The four values are stored when
// the dialog closes, however it closes.

#include "ui/dialogs/dialog_flow_ui.h"
#include "ui/dialogs/store_on_close_dialog.h"

#include <string>

class QCheckBox;
class QLineEdit;
class QPushButton;

namespace zelvon {
class SettingsStore;
struct NetworkValues;
}

namespace zelvon::ui {

class CNetworkDlg : public StoreOnCloseDialog {
    Q_OBJECT
public:
    CNetworkDlg(const SettingsStore& settings, std::u16string appFolder, QWidget* parent = nullptr);

    // The values as they stand in the fields now.
    NetworkValues typedValues() const;
    // Runs the connection test with the typed values.
    bool testConnection();

    QCheckBox* useProxyBox() const { return useProxy_; }
    QLineEdit* addressEdit() const { return address_; }
    QLineEdit* portEdit() const { return port_; }
    QLineEdit* testUrlEdit() const { return testUrl_; }
    QPushButton* testButton() const { return test_; }

private:
    void storeValues() override;

    const SettingsStore& settings_;
    std::u16string appFolder_;
    DialogFlowUi flowUi_;
    QCheckBox* useProxy_;
    QLineEdit* address_;
    QLineEdit* port_;
    QLineEdit* testUrl_;
    QPushButton* test_;
};

} // namespace zelvon::ui
