#include "ui/about_dlg.h"

#include "ui/html_page.h"
#include "ui/icon_strip.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QVBoxLayout>

namespace zelvon::ui {

CAboutDlg::CAboutDlg(QWidget* parent)
    : QDialog(parent), title_(new QLabel(QStringLiteral("Orvalis's Zelvon"), this)), picture_(new QLabel(this)),
      info_(new QPlainTextEdit(this)) {
    setWindowTitle(QString());
    // No caption on screen, but a screen reader still needs a name.
    setAccessibleName(QStringLiteral("About Zelvon"));
    setModal(true);
    QFont titleFont = title_->font();
    titleFont.setBold(true);
    title_->setFont(titleFont);
    picture_->setPixmap(aboutPicture());
    picture_->setFixedSize(40, 40);
    picture_->setAccessibleName(QStringLiteral("Zelvon logo"));
    info_->setReadOnly(true);
    info_->setAccessibleName(QStringLiteral("Version and contact"));
    info_->setPlainText(QStringLiteral("Version 1.01\nOrvalis Software\nWeb: %1\nE-mail: support@orvalis.example")
                            .arg(QString::fromStdU16String(makerSiteUrl())));
    auto* head = new QHBoxLayout;
    head->addWidget(picture_);
    head->addWidget(title_, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(head);
    layout->addWidget(info_);
    resize(312, 324);
}

} // namespace zelvon::ui
