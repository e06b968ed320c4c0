#include "ui/desktop_notifier.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QVariantMap>

namespace zelvon::ui {

bool DesktopNotifier::notify(const QString& summary, const QString& body) {
    static const QString kService = QStringLiteral("org.freedesktop.Notifications");
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() || bus.interface() == nullptr || !bus.interface()->isServiceRegistered(kService).value())
        return false;
    QDBusMessage call = QDBusMessage::createMethodCall(kService, QStringLiteral("/org/freedesktop/Notifications"),
                                                       kService, QStringLiteral("Notify"));
    call << QStringLiteral("Zelvon") << 0u << QStringLiteral("zelvon") << summary << body << QStringList()
         << QVariantMap() << -1;
    // Fire and forget: the window never waits for the notification daemon.
    return bus.send(call);
}

} // namespace zelvon::ui
