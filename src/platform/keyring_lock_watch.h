#pragma once
// The desktop keyring's word that a collection was locked or unlocked, by
// whoever did it: the Secret Service's PropertiesChanged signal for the
// Locked property of org.freedesktop.Secret.Collection. gnome-keyring sends it
// from the collection's own path (/org/freedesktop/secrets/collection/login),
// never from the alias path of the default collection, so every collection's
// path is heard and the listener reads the default one's state itself.
//
// The signal is taken from the keyring process that owns the service name
// now; a keyring that comes later or starts again is subscribed to afresh,
// and announced, since its collections may be in another state than the
// last one's. Without a session bus or keyring nothing is announced.

#include <QDBusConnection>
#include <QDBusServiceWatcher>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QVariantMap>

namespace ombrix {

inline constexpr const char* kSecretServiceName = "org.freedesktop.secrets";

class KeyringLockWatch : public QObject {
    Q_OBJECT

public:
    explicit KeyringLockWatch(QDBusConnection bus = QDBusConnection::sessionBus(),
                              QObject* parent = nullptr);

    // Subscribed to a keyring that is on the bus now.
    bool listening() const { return !owner_.isEmpty(); }

Q_SIGNALS:
    // A collection's Locked property changed, or another keyring process
    // took the service name.
    void lockChanged();

private Q_SLOTS:
    void onOwnerChanged(const QString& name, const QString& oldOwner, const QString& newOwner);
    void onPropertiesChanged(const QString& interface, const QVariantMap& changed,
                             const QStringList& invalidated);

private:
    void subscribe(const QString& owner);
    bool connectSignal(const QString& owner, bool on);

    QDBusConnection bus_;
    QDBusServiceWatcher watcher_;
    QString owner_;
};

} // namespace ombrix
