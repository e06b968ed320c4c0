#include "ui/dialogs/CSelectItemDlg.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace zelvon::ui {

CSelectItemDlg::CSelectItemDlg(QWidget* parent)
    : QDialog(parent), list_(new QListWidget), ok_(new QPushButton(tr("OK"))), cancel_(new QPushButton(tr("Cancel"))) {
    setWindowTitle(QStringLiteral("Select Item"));
    setModal(true);

    auto* frame = new QGroupBox(QStringLiteral("Multiple Matches:  Select a Product"));
    auto* frameLayout = new QVBoxLayout(frame);
    list_->setAccessibleName(frame->title());
    list_->setSortingEnabled(false);
    list_->setSelectionMode(QAbstractItemView::SingleSelection);
    frameLayout->addWidget(list_);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok_);
    buttons->addWidget(cancel_);
    frameLayout->addLayout(buttons);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(frame);
    resize(360, 320);

    ok_->setDefault(true);
    ok_->setAutoDefault(true);
    cancel_->setAutoDefault(false);
    setTabOrder(list_, ok_);
    setTabOrder(ok_, cancel_);

    connect(list_, &QListWidget::currentRowChanged, this, [this](int row) {
        if (row >= 0)
            selectedIndex_ = row;
    });
    // A double click on an entry confirms it, as OK would.
    connect(list_, &QListWidget::itemActivated, this, [this] { accept(); });
    connect(ok_, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel_, &QPushButton::clicked, this, &QDialog::reject);
}

void CSelectItemDlg::addText(const QString& text) {
    list_->addItem(text);
    if (list_->count() == 1) {
        list_->setCurrentRow(0);
        selectedIndex_ = 0;
    }
}

std::optional<size_t> CSelectItemDlg::pick(QWidget* parent, const std::vector<std::u16string>& names) {
    if (names.empty())
        return std::nullopt;
    CSelectItemDlg dialog(parent);
    for (const std::u16string& name : names)
        dialog.addText(QString::fromStdU16String(name));
    dialog.list()->setFocus();
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return static_cast<size_t>(dialog.selectedIndex());
}

} // namespace zelvon::ui
