#pragma once
// The About box: the program's name, its picture, the version and how to
// reach the maker, in a read-only text.

#include <QDialog>

class QLabel;
class QPlainTextEdit;

namespace zelvon::ui {

class CAboutDlg : public QDialog {
    Q_OBJECT
public:
    explicit CAboutDlg(QWidget* parent = nullptr);

    QLabel* titleLabel() const { return title_; }
    QLabel* pictureLabel() const { return picture_; }
    QPlainTextEdit* infoText() const { return info_; }

private:
    QLabel* title_;
    QLabel* picture_;
    QPlainTextEdit* info_;
};

} // namespace zelvon::ui
