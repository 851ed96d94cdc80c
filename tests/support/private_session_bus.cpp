#include "support/private_session_bus.h"

namespace ombrix::test {

// Upper bounds only: the daemon prints its address as soon as it listens.
constexpr int kStartBound = 20000;

PrivateSessionBus::PrivateSessionBus() {
    const QString socket = QString::fromStdString((dir_ / "bus").string());
    daemon_.setProgram(QStringLiteral("dbus-daemon"));
    daemon_.setArguments({QStringLiteral("--session"), QStringLiteral("--nofork"),
                          QStringLiteral("--print-address"),
                          QStringLiteral("--address=unix:path=") + socket});
    daemon_.start();
    if (!daemon_.waitForStarted(kStartBound))
        return;
    while (!daemon_.canReadLine() && daemon_.state() == QProcess::Running)
        daemon_.waitForReadyRead(kStartBound);
    address_ = QString::fromLocal8Bit(daemon_.readLine()).trimmed();
}

PrivateSessionBus::~PrivateSessionBus() {
    for (const QString& name : names_)
        QDBusConnection::disconnectFromBus(name);
    if (daemon_.state() != QProcess::NotRunning) {
        daemon_.terminate();
        daemon_.waitForFinished(kStartBound);
    }
}

QDBusConnection PrivateSessionBus::connect(const QString& name) {
    names_.append(name);
    return QDBusConnection::connectToBus(address_, name);
}

} // namespace ombrix::test
