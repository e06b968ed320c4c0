#include "ui/window_geometry.h"

#include "app/settings_store.h"
#include "app/settings_keys.h"

#include <QList>
#include <QWidget>

#include <algorithm>

namespace zelvon::ui {
namespace {

// A title bar's worth of the window must be on a screen to be reachable.
bool reachable(const QRect& window, const QList<QRect>& screens) {
    return std::any_of(screens.begin(), screens.end(), [&window](const QRect& screen) {
        const QRect shared = screen.intersected(window);
        return shared.width() >= 100 && shared.height() >= 40;
    });
}

} // namespace

QRect firstRunGeometry(const QRect& available) {
    const int width = std::min(std::max(available.width() * 2 / 3, kMinFirstWidth), available.width());
    const int height = std::min(std::max(available.height() * 2 / 3, kMinFirstHeight), available.height());
    QRect rect(0, 0, width, height);
    rect.moveCenter(available.center());
    return rect;
}

WindowPlacement windowPlacement(const SettingsStore& settings, const QRect& primary, const QList<QRect>& screens) {
    const int width = readSetting(settings, kWindowWidthKey);
    const int height = readSetting(settings, kWindowHeightKey);
    WindowPlacement placement;
    placement.normal = firstRunGeometry(primary);
    if (width <= 0 || height <= 0)
        return placement;
    const QRect stored(readSetting(settings, kWindowXKey), readSetting(settings, kWindowYKey), width, height);
    placement.maximized = readSetting(settings, kWindowMaximizedKey) == 1;
    placement.stored = true;
    // A screen that has gone (a laptop without its monitor) must not
    // leave the window out of sight: the size stays, the place does not.
    if (reachable(stored, screens)) {
        placement.normal = stored;
    } else {
        placement.normal.setSize(stored.size().boundedTo(primary.size()));
        placement.normal.moveCenter(primary.center());
    }
    return placement;
}

void applyPlacement(QWidget& window, const WindowPlacement& placement) {
    window.setGeometry(placement.normal);
    if (placement.maximized)
        window.setWindowState(window.windowState() | Qt::WindowMaximized);
}

void storeWindowPlacement(const SettingsStore& settings, const QWidget& window) {
    const bool maximized = window.isMaximized();
    const QRect normal = maximized ? window.normalGeometry() : window.geometry();
    if (normal.width() > 0 && normal.height() > 0) {
        writeSetting(settings, kWindowXKey, normal.x());
        writeSetting(settings, kWindowYKey, normal.y());
        writeSetting(settings, kWindowWidthKey, normal.width());
        writeSetting(settings, kWindowHeightKey, normal.height());
    }
    writeSetting(settings, kWindowMaximizedKey, maximized ? 1 : 0);
}

bool splitterPosStored(const SettingsStore& settings) {
    return !settings.readString(kSplitterPosKey.section, kSplitterPosKey.key, u"").empty();
}

int firstRunSplitterPos(int splitterHeight) { return std::max(splitterHeight * 2 / 5, 0); }

} // namespace zelvon::ui
