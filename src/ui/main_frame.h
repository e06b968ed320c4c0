#pragma once
// The one top-level window: menu bar, toolbar, status bar and the splitter
// with the tree and the HTML pane, ordered and sized from "WindowDefaults".
// Going away, it backs up the list files and converts the divider position.

#include "ui/vertrel_doc.h"

#include <QMainWindow>

#include <functional>
#include <string>

class QSplitter;

namespace zelvon {
class Clock;
class SettingsStore;
}

namespace zelvon::ui {

class CVertrelView;
class CViewPane;

class CMainFrame : public QMainWindow {
    Q_OBJECT
public:
    CMainFrame(const SettingsStore& settings, std::u16string appFolder, const Clock& clock,
               QWidget* parent = nullptr);
    ~CMainFrame() override;

    CVertrelView* view() const { return view_; }
    CViewPane* pane() const { return pane_; }
    QSplitter* splitter() const { return splitter_; }
    int layoutFlagAtStart() const { return layoutFlagAtStart_; }
    // The action of a command (menu or, for `toolbar`, toolbar entry).
    QAction* action(int id, bool toolbar = false) const;

    // How the end of a batch is announced when the window is not active;
    // by default a desktop notification.
    using Notifier = std::function<void(const QString& summary, const QString& body)>;
    void setNotifier(Notifier notifier) { notifier_ = std::move(notifier); }

    void showAbout();

protected:
    void showEvent(QShowEvent* event) override;

private:
    QAction* addCommand(QWidget* menuOrBar, const QString& text, int id, bool toolbar);
    void updateCommandStates();
    void onBatchFinished(const QStringList& newlyMarked);

    const SettingsStore& settings_;
    std::u16string appFolder_;
    int layoutFlagAtStart_ = 0;
    CVertrelDoc doc_;
    QSplitter* splitter_;
    CVertrelView* view_;
    CViewPane* pane_;
    QList<QAction*> commandActions_;
    Notifier notifier_;
    bool proportionalSplit_ = false;
    bool shown_ = false;
};

} // namespace zelvon::ui
