#pragma once
// A settings dialog whose values are stored however it closes (OK, Escape,
// the window's close button), exactly once. It has one way out, OK: a Cancel
// button would promise something the dialog does not do.

#include <QDialog>

class QDialogButtonBox;

namespace zelvon::ui {

class StoreOnCloseDialog : public QDialog {
public:
    void done(int result) final;

protected:
    using QDialog::QDialog;
    // Writes the dialog's values to the settings.
    virtual void storeValues() = 0;
    // The OK button that closes the dialog, for the derived class's layout.
    QDialogButtonBox* makeCloseButtons();

private:
    bool stored_ = false;
};

} // namespace zelvon::ui
