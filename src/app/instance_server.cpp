#include "app/instance_server.h"

#include <QCryptographicHash>
#include <QLocalSocket>
#include <filesystem>

namespace ombrix {
namespace {

constexpr int kConnectMs = 2000;
const QByteArray kShowRequest = "show\n";

} // namespace

QString instanceServerName(const std::string& directory) {
    std::error_code error;
    std::filesystem::path canonical = std::filesystem::weakly_canonical(directory, error);
    if (error)
        canonical = directory;
    std::string key = canonical.lexically_normal().string();
    while (key.size() > 1 && key.back() == '/')
        key.pop_back();
    const QByteArray hash =
        QCryptographicHash::hash(QByteArray::fromStdString(key), QCryptographicHash::Sha256);
    return QStringLiteral("ombrix-") + QString::fromLatin1(hash.toHex().left(32));
}

bool askRunningInstanceToShow(const QString& name) {
    QLocalSocket socket;
    socket.connectToServer(name);
    if (!socket.waitForConnected(kConnectMs))
        return false;
    socket.write(kShowRequest);
    if (!socket.waitForBytesWritten(kConnectMs))
        return false;
    // The first program closes the connection once it has taken the request.
    socket.waitForDisconnected(kConnectMs);
    return true;
}

InstanceServer::InstanceServer(const QString& name, std::function<void()> show, QObject* parent)
    : QObject(parent), show_(std::move(show)) {
    server_.setSocketOptions(QLocalServer::UserAccessOption);
    QLocalServer::removeServer(name);
    server_.listen(name);
    connect(&server_, &QLocalServer::newConnection, this, &InstanceServer::onConnection);
}

void InstanceServer::onConnection() {
    while (QLocalSocket* socket = server_.nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
            if (!socket->canReadLine())
                return;
            const bool asked = socket->readLine() == kShowRequest;
            socket->disconnectFromServer();
            if (asked && show_)
                show_();
        });
    }
}

} // namespace ombrix
