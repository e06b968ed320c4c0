#pragma once
// One desktop notification through the freedesktop notification service on
// the session bus. Without a session bus or without the service nothing
// happens and nothing is reported.

#include <QString>

namespace zelvon::ui {

class DesktopNotifier {
public:
    // True when the notification was handed to the service.
    static bool notify(const QString& summary, const QString& body);
};

} // namespace zelvon::ui
