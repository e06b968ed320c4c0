#pragma once
// One window per user and application folder. The open window listens on a
// local socket named from its folder in the user's runtime folder; a second
// start on the same folder asks it to come forward and ends, instead of
// being turned away by the folder lock. The lock stays the safety net: a
// folder held by a zelvon-cli run has no socket, so the second start goes
// on and meets the lock as before.

#include <QLocalServer>
#include <QObject>

#include <string>

class QWidget;

namespace zelvon::ui {

class SingleWindow : public QObject {
    Q_OBJECT
public:
    explicit SingleWindow(QObject* parent = nullptr);

    // $XDG_RUNTIME_DIR (else the temporary folder, with the user id in the
    // name) + a name made from the folder, so two folders never share one.
    static QString socketPath(const std::u16string& appFolder);

    // True when a window of this folder answered and came forward.
    static bool activateRunning(const std::u16string& appFolder, int timeoutMs = 3000);

    // Listens for later starts and brings `window` forward for each. Call
    // only while holding the folder's lock: a socket left by a window that
    // crashed is removed first.
    bool listen(const std::u16string& appFolder, QWidget* window);

signals:
    void activated();

private:
    void answer();

    QLocalServer server_;
    QWidget* window_ = nullptr;
};

} // namespace zelvon::ui
