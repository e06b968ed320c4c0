#pragma once
// "Add Product": the user enters a store product ID or words of its name and
// the dialog runs the library's lookup on its button. Every failure keeps
// the dialog open with the reason in its Status box; a successful lookup
// closes it with OK and leaves the result for the command.

#include "ui/dialogs/dialog_flow_ui.h"
#include "watch/add_product.h"
#include "watch/flow_context.h"

#include <QDialog>

#include <optional>

class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;

namespace zelvon::ui {

class CAddProductDlg : public QDialog {
    Q_OBJECT
public:
    // `context` gives the folder, catalogue, settings and clock; the
    // dialog shows the flow itself. A product already on `watched` is
    // refused with its name.
    explicit CAddProductDlg(const FlowContext& context, QWidget* parent = nullptr,
                            const WatchList* watched = nullptr);

    // The product found, after the dialog closed with OK.
    const std::optional<AddLookup>& lookup() const { return lookup_; }

    // The "Add Product to Watch List" button.
    void addProduct();

    QRadioButton* byIdButton() const { return byId_; }
    QRadioButton* byNameButton() const { return byName_; }
    QLineEdit* entryEdit() const { return entry_; }
    QPushButton* helpButton() const { return help_; }
    QPushButton* addButton() const { return add_; }
    QPushButton* cancelButton() const { return cancel_; }
    QPlainTextEdit* statusText() const { return status_; }

private:
    void openHelp();

    DialogFlowUi flowUi_;
    FlowContext context_;
    const WatchList* watched_;
    QRadioButton* byId_;
    QRadioButton* byName_;
    QLineEdit* entry_;
    QPushButton* help_;
    QPushButton* add_;
    QPushButton* cancel_;
    QPlainTextEdit* status_;
    std::optional<AddLookup> lookup_;
};

} // namespace zelvon::ui
