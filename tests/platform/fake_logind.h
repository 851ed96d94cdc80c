#pragma once
// logind as far as the program listens to it: the name on the bus and the
// PrepareForSleep signal, sent when the test says so.

#include "platform/sleep_watch.h"

#include <QDBusConnection>
#include <QDBusMessage>

namespace ombrix::test {

class FakeLogind {
public:
    explicit FakeLogind(QDBusConnection bus) : bus_(std::move(bus)) {
        registered_ = bus_.registerService(QString::fromLatin1(kLogindService));
    }
    ~FakeLogind() { bus_.unregisterService(QString::fromLatin1(kLogindService)); }

    bool registered() const { return registered_; }
    bool prepareForSleep(bool sleeping) {
        QDBusMessage signal = QDBusMessage::createSignal(QString::fromLatin1(kLogindPath),
                                                         QString::fromLatin1(kLogindManager),
                                                         QStringLiteral("PrepareForSleep"));
        signal << sleeping;
        return bus_.send(signal);
    }

private:
    QDBusConnection bus_;
    bool registered_ = false;
};

} // namespace ombrix::test
