#include "platform/keyring_lock_watch.h"

#include <QDBusConnectionInterface>
#include <QDBusReply>

namespace ombrix {
namespace {

const QString kCollectionInterface = QStringLiteral("org.freedesktop.Secret.Collection");
const QString kLockedProperty = QStringLiteral("Locked");

} // namespace

KeyringLockWatch::KeyringLockWatch(QDBusConnection bus, QObject* parent)
    : QObject(parent), bus_(std::move(bus)) {
    if (!bus_.isConnected())
        return;
    // Watching before asking for the owner: a keyring that comes between
    // the two is announced rather than missed.
    watcher_.setConnection(bus_);
    watcher_.setWatchMode(QDBusServiceWatcher::WatchForOwnerChange);
    watcher_.addWatchedService(QString::fromLatin1(kSecretServiceName));
    connect(&watcher_, &QDBusServiceWatcher::serviceOwnerChanged, this,
            &KeyringLockWatch::onOwnerChanged);
    const QDBusReply<QString> owner =
        bus_.interface()->serviceOwner(QString::fromLatin1(kSecretServiceName));
    if (owner.isValid())
        subscribe(owner.value());
}

void KeyringLockWatch::onOwnerChanged(const QString&, const QString&, const QString& newOwner) {
    if (newOwner == owner_)
        return;
    subscribe(newOwner);
    if (!newOwner.isEmpty())
        Q_EMIT lockChanged();
}

void KeyringLockWatch::onPropertiesChanged(const QString& interface, const QVariantMap& changed,
                                           const QStringList& invalidated) {
    if (interface == kCollectionInterface &&
        (changed.contains(kLockedProperty) || invalidated.contains(kLockedProperty)))
        Q_EMIT lockChanged();
}

// By the owner's unique name: a keyring that left takes its subscription
// with it, and its successor needs one of its own.
void KeyringLockWatch::subscribe(const QString& owner) {
    if (!owner_.isEmpty())
        connectSignal(owner_, false);
    owner_.clear();
    if (!owner.isEmpty() && connectSignal(owner, true))
        owner_ = owner;
}

bool KeyringLockWatch::connectSignal(const QString& owner, bool on) {
    // An empty path: any object of the keyring, the collections among them.
    const QString path;
    const QString interface = QStringLiteral("org.freedesktop.DBus.Properties");
    const QString name = QStringLiteral("PropertiesChanged");
    const QStringList argumentMatch{kCollectionInterface};
    const QString signature = QStringLiteral("sa{sv}as");
    const char* slot = SLOT(onPropertiesChanged(QString, QVariantMap, QStringList));
    return on ? bus_.connect(owner, path, interface, name, argumentMatch, signature, this, slot)
              : bus_.disconnect(owner, path, interface, name, argumentMatch, signature, this, slot);
}

} // namespace ombrix
