#include "ui/dialogs/store_on_close_dialog.h"

#include <QDialogButtonBox>

namespace zelvon::ui {

void StoreOnCloseDialog::done(int result) {
    if (!stored_) {
        stored_ = true;
        storeValues();
    }
    QDialog::done(result);
}

QDialogButtonBox* StoreOnCloseDialog::makeCloseButtons() {
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok);
    // The button row is a group of its own for a screen reader.
    buttons->setAccessibleName(QStringLiteral("Close the dialog"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    return buttons;
}

} // namespace zelvon::ui
