#pragma once
// A session bus of the test's own (dbus-daemon in a temp dir), so that fake
// desktop services never meet the developer's real desktop. Two connections
// to it: one for the code under test, one for the fake services.

#include "support/temp_dir.h"

#include <QDBusConnection>
#include <QProcess>
#include <QString>

namespace ombrix::test {

class PrivateSessionBus {
public:
    PrivateSessionBus();
    ~PrivateSessionBus();
    PrivateSessionBus(const PrivateSessionBus&) = delete;
    PrivateSessionBus& operator=(const PrivateSessionBus&) = delete;

    bool running() const { return !address_.isEmpty(); }
    const QString& address() const { return address_; }
    // A new connection under the given name.
    QDBusConnection connect(const QString& name);

private:
    TempDir dir_;
    QProcess daemon_;
    QString address_;
    QStringList names_;
};

} // namespace ombrix::test
