#pragma once
// org.freedesktop.Notifications as a test plays it: it records every call with
// its D-Bus signature and arguments, answers Notify with fresh ids (or the
// replaced one), and sends ActionInvoked / ActivationToken / NotificationClosed
// on demand.

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVirtualObject>
#include <QStringList>
#include <QVector>

namespace ombrix::test {

struct RecordedCall {
    QString member;
    QString signature;
    QList<QVariant> arguments;
};

class FakeNotificationService : public QDBusVirtualObject {
    Q_OBJECT

public:
    FakeNotificationService(QDBusConnection bus, QStringList capabilities);
    ~FakeNotificationService() override;

    bool registered() const { return registered_; }
    void emitActionInvoked(uint id, const QString& action);
    // As services that hand out xdg-activation tokens do, before ActionInvoked.
    void emitActivationToken(uint id, const QString& token);
    void emitNotificationClosed(uint id, uint reason);

    QString introspect(const QString& path) const override;
    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override;

    QVector<RecordedCall> calls;

signals:
    void called(const QString& member);

private:
    QDBusConnection bus_;
    QStringList capabilities_;
    uint nextId_ = 41;
    bool registered_ = false;
};

} // namespace ombrix::test
