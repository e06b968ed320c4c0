#pragma once
// Where the main window opens and how its two panes share the height: the
// last run's place, size and maximised state when they were kept and still
// fit a screen, otherwise a desktop size taken from the screen.

#include <QRect>

class QWidget;

namespace zelvon {
class SettingsStore;
}

namespace zelvon::ui {

inline constexpr int kMinFirstWidth = 800;
inline constexpr int kMinFirstHeight = 600;

// About two thirds of the screen's free area, at least 800 x 600 (unless
// the screen is smaller), centred on it.
QRect firstRunGeometry(const QRect& available);

struct WindowPlacement {
    QRect normal;
    bool maximized = false;
    bool stored = false; // false: the first-run size
};

// The kept placement when one was stored and at least part of it lies on
// one of `screens`; otherwise the first-run size on `primary`.
WindowPlacement windowPlacement(const SettingsStore& settings, const QRect& primary,
                                const QList<QRect>& screens);
// Applies a placement to a window not yet shown.
void applyPlacement(QWidget& window, const WindowPlacement& placement);
// Keeps the window's normal place and size and its maximised state.
void storeWindowPlacement(const SettingsStore& settings, const QWidget& window);

// True once the upper pane's height has ever been stored.
bool splitterPosStored(const SettingsStore& settings);
// The upper pane's share of a first run: enough of the page to show a
// whole product, the rest for the tree.
int firstRunSplitterPos(int splitterHeight);

} // namespace zelvon::ui
