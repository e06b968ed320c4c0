#include "ui/dialogs/CAddProductDlg.h"

#include <QDesktopServices>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QUrl>
#include <QVBoxLayout>

namespace zelvon::ui {

CAddProductDlg::CAddProductDlg(const FlowContext& context, QWidget* parent, const WatchList* watched)
    : QDialog(parent), flowUi_(this),
      context_{context.appFolder, context.catalogue, context.proxy, context.clock, context.settings, flowUi_},
      watched_(watched),
      byId_(new QRadioButton(QStringLiteral("by ID"))), byName_(new QRadioButton(QStringLiteral("by Name"))),
      entry_(new QLineEdit), help_(new QPushButton(QStringLiteral("?"))),
      add_(new QPushButton(QStringLiteral("Add Product to Watch List"))), cancel_(new QPushButton(tr("Cancel"))),
      status_(new QPlainTextEdit) {
    setWindowTitle(QStringLiteral("Add Product"));
    setModal(true);

    auto* frame = new QGroupBox(QStringLiteral("Add New Product"));
    auto* column = new QVBoxLayout(frame);
    auto* modeRow = new QHBoxLayout;
    modeRow->addWidget(byId_);
    modeRow->addWidget(byName_);
    modeRow->addStretch();
    column->addLayout(modeRow);
    byName_->setChecked(true);

    auto* entryLabel = new QLabel(QStringLiteral("Enter Wareloft Product"));
    entryLabel->setBuddy(entry_);
    entry_->setAccessibleName(entryLabel->text());
    help_->setToolTip(QStringLiteral("Help"));
    // Read as "Help", not as a question mark.
    help_->setAccessibleName(QStringLiteral("Help"));
    help_->setMaximumWidth(help_->fontMetrics().horizontalAdvance(QStringLiteral("??")) * 3);
    help_->setAccessibleDescription(QStringLiteral("Help on adding products"));
    auto* entryRow = new QHBoxLayout;
    entryRow->addWidget(entry_, 1);
    entryRow->addWidget(help_);
    column->addWidget(entryLabel);
    column->addLayout(entryRow);

    auto* buttonRow = new QHBoxLayout;
    buttonRow->addWidget(add_);
    buttonRow->addWidget(cancel_);
    buttonRow->addStretch();
    column->addLayout(buttonRow);

    auto* statusLabel = new QLabel(QStringLiteral("Status"));
    statusLabel->setBuddy(status_);
    status_->setReadOnly(true);
    status_->setTabChangesFocus(true);
    status_->setAccessibleName(statusLabel->text());
    status_->setPlainText(QString::fromStdU16String(std::u16string(kAddOnlineNote)));
    column->addWidget(statusLabel);
    column->addWidget(status_, 1);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(frame);
    resize(400, 340);

    add_->setDefault(true);
    help_->setAutoDefault(false);
    cancel_->setAutoDefault(false);
    setTabOrder(byId_, byName_);
    setTabOrder(byName_, entry_);
    setTabOrder(entry_, help_);
    setTabOrder(help_, add_);
    setTabOrder(add_, cancel_);
    setTabOrder(cancel_, status_);
    entry_->setFocus();

    flowUi_.setStatusSink([this](const QString& text) {
        status_->setPlainText(text);
        // The download that follows blocks the event loop: paint now.
        status_->repaint();
    });
    connect(add_, &QPushButton::clicked, this, &CAddProductDlg::addProduct);
    connect(cancel_, &QPushButton::clicked, this, &QDialog::reject);
    connect(help_, &QPushButton::clicked, this, &CAddProductDlg::openHelp);
}

void CAddProductDlg::addProduct() {
    const AddMode mode = byId_->isChecked() ? AddMode::ById : AddMode::ByName;
    // The entered text is taken as typed, blanks and all.
    std::optional<AddLookup> found = runAddLookup(mode, entry_->text().toStdU16String(), context_, watched_);
    if (!found) {
        // Back to the entry, so the user can correct it at once after the
        // message or the Select Item list took the focus away.
        activateWindow();
        entry_->setFocus();
        return;
    }
    lookup_ = std::move(found);
    accept();
}

void CAddProductDlg::openHelp() {
    const QString page = QString::fromStdU16String(context_.appFolder) + QStringLiteral("/help/caf.htm");
    QDesktopServices::openUrl(QUrl::fromLocalFile(page));
}

} // namespace zelvon::ui
