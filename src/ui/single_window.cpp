#include "ui/single_window.h"

#include <QByteArray>
#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QLocalSocket>
#include <QPointer>
#include <QWidget>

#include <unistd.h>

namespace zelvon::ui {
namespace {

constexpr char kRequest[] = "activate\n";
constexpr char kReply[] = "activated\n";

} // namespace

SingleWindow::SingleWindow(QObject* parent) : QObject(parent) {
    connect(&server_, &QLocalServer::newConnection, this, &SingleWindow::answer);
}

QString SingleWindow::socketPath(const std::u16string& appFolder) {
    const QByteArray folder = QString::fromStdU16String(appFolder).toUtf8();
    const QString name = QString::fromLatin1(QCryptographicHash::hash(folder, QCryptographicHash::Sha256).toHex().left(20));
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && QFileInfo(runtime).isDir())
        return runtime + QStringLiteral("/zelvon-") + name + QStringLiteral(".socket");
    return QDir::tempPath() + QStringLiteral("/zelvon-%1-").arg(::getuid()) + name + QStringLiteral(".socket");
}

bool SingleWindow::activateRunning(const std::u16string& appFolder, int timeoutMs) {
    const QString path = socketPath(appFolder);
    // In a shared temporary folder only a socket of our own user counts.
    if (const QFileInfo socketFile(path); !socketFile.exists() || socketFile.ownerId() != ::getuid())
        return false;
    QLocalSocket socket;
    socket.connectToServer(path);
    if (!socket.waitForConnected(timeoutMs))
        return false; // no window, or one that died and left its socket
    socket.write(kRequest);
    if (!socket.waitForBytesWritten(timeoutMs))
        return false;
    QByteArray reply;
    while (!reply.contains('\n') && socket.waitForReadyRead(timeoutMs))
        reply += socket.readAll();
    return reply == kReply;
}

bool SingleWindow::listen(const std::u16string& appFolder, QWidget* window) {
    window_ = window;
    const QString path = socketPath(appFolder);
    QLocalServer::removeServer(path);
    server_.setSocketOptions(QLocalServer::UserAccessOption);
    return server_.listen(path);
}

void SingleWindow::answer() {
    while (QLocalSocket* client = server_.nextPendingConnection()) {
        connect(client, &QLocalSocket::disconnected, client, &QObject::deleteLater);
        connect(client, &QLocalSocket::readyRead, this, [this, client] {
            if (!client->canReadLine())
                return;
            if (client->readLine() != kRequest) {
                client->disconnectFromServer();
                return;
            }
            if (window_ != nullptr) {
                if (window_->isMinimized())
                    window_->showNormal();
                window_->show();
                window_->raise();
                window_->activateWindow();
            }
            emit activated();
            client->write(kReply);
            client->flush();
            client->disconnectFromServer();
        });
    }
}

} // namespace zelvon::ui
