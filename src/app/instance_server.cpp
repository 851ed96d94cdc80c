#include "app/instance_server.h"

#include <QLocalSocket>

namespace ombrix {
namespace {

// A request is one short line; a peer that sends more is no program of ours.
constexpr qint64 kMaxRequestBytes = 1024;

} // namespace

InstanceServer::InstanceServer(const std::string& socketPath, RequestHandler handle,
                               QObject* parent)
    : QObject(parent), handle_(std::move(handle)) {
    if (socketPath.empty())
        return;
    const QString path = QString::fromStdString(socketPath);
    server_.setSocketOptions(QLocalServer::UserAccessOption);
    QLocalServer::removeServer(path);
    server_.listen(path);
    connect(&server_, &QLocalServer::newConnection, this, &InstanceServer::onConnection);
}

void InstanceServer::onConnection() {
    while (QLocalSocket* socket = server_.nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
            if (!socket->canReadLine()) {
                if (socket->bytesAvailable() > kMaxRequestBytes)
                    socket->disconnectFromServer();
                return;
            }
            const QByteArray line = socket->readLine(kMaxRequestBytes).trimmed();
            const std::optional<InstanceRequest> request = parseInstanceRequest(line.toStdString());
            // The asker waits for the close, and only then goes on.
            socket->disconnectFromServer();
            if (request && handle_)
                handle_(*request);
        });
    }
}

} // namespace ombrix
