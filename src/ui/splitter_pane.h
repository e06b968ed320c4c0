#pragma once
// What both panes of the main splitter share: the first update (the first
// time the pane is shown) and remembering the upper pane's height. Only
// the upper pane writes "WindowDefaults"/"SplitterPos", and only after its
// first update, so building the window never overwrites the stored value.

#include <QWidget>

namespace zelvon {
class SettingsStore;
}

namespace zelvon::ui {

class SplitterPane : public QWidget {
    Q_OBJECT
public:
    SplitterPane(const SettingsStore& settings, bool upper, QWidget* parent = nullptr);

    bool hasHadFirstUpdate() const { return firstUpdateDone_; }
    bool isUpperPane() const { return upper_; }

protected:
    // Runs once, when the pane is first shown.
    virtual void firstUpdate() {}
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

    const SettingsStore& settings_;

private:
    void storeHeight();
    bool upper_;
    bool firstUpdateDone_ = false;
};

} // namespace zelvon::ui
