#pragma once
// "Select Item": the user picks one of several products a name search found.
// The caller adds the names in match order; the dialog opens with the first
// one selected and reports the chosen position.

#include <QDialog>

#include <optional>
#include <string>
#include <vector>

class QListWidget;
class QPushButton;

namespace zelvon::ui {

class CSelectItemDlg : public QDialog {
    Q_OBJECT
public:
    explicit CSelectItemDlg(QWidget* parent = nullptr);

    // Appends one entry; the first one added is selected.
    void addText(const QString& text);
    // The position of the chosen entry in the order the texts were added.
    int selectedIndex() const { return selectedIndex_; }

    // Runs the dialog modally over `names`: the chosen position, or nothing
    // on Cancel (or when there is nothing to choose from).
    static std::optional<size_t> pick(QWidget* parent, const std::vector<std::u16string>& names);

    QListWidget* list() const { return list_; }
    QPushButton* okButton() const { return ok_; }
    QPushButton* cancelButton() const { return cancel_; }

private:
    QListWidget* list_;
    QPushButton* ok_;
    QPushButton* cancel_;
    int selectedIndex_ = 0;
};

} // namespace zelvon::ui
