#include "platform/desktop_notifier.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusServiceWatcher>
#include <QStringList>
#include <QVariantMap>
#include <utility>

namespace ombrix {
namespace {

const QString kInterface = QString::fromLatin1(kNotificationsService);

QDBusMessage serviceCall(const char* method) {
    return QDBusMessage::createMethodCall(kInterface, QString::fromLatin1(kNotificationsPath),
                                          kInterface, QString::fromLatin1(method));
}

// The service's own default: it decides how long the notification stays.
constexpr int kServiceTimeout = -1;

// The markup is XML's: these five characters are entities in it.
QString escapedForMarkup(const QString& line) {
    QString escaped = line.toHtmlEscaped(); // & < > "
    escaped.replace(QLatin1Char('\''), QStringLiteral("&#39;"));
    return escaped;
}

} // namespace

QString notificationBody(const DesktopNotification& notification, bool markup) {
    QStringList lines = notification.lines;
    if (!notification.more.isEmpty())
        lines << notification.more;
    if (markup)
        for (QString& line : lines)
            line = escapedForMarkup(line);
    return lines.join(QLatin1Char('\n'));
}

DesktopNotifier::DesktopNotifier(QDBusConnection bus, QObject* parent)
    : QObject(parent), bus_(std::move(bus)) {
    if (!bus_.isConnected())
        return;
    const QString path = QString::fromLatin1(kNotificationsPath);
    bus_.connect(kInterface, path, kInterface, QStringLiteral("ActionInvoked"), this,
                 SLOT(onActionInvoked(uint, QString)));
    // Sent just before ActionInvoked by services that hand out activation tokens.
    bus_.connect(kInterface, path, kInterface, QStringLiteral("ActivationToken"), this,
                 SLOT(onActivationToken(uint, QString)));
    bus_.connect(kInterface, path, kInterface, QStringLiteral("NotificationClosed"), this,
                 SLOT(onNotificationClosed(uint, uint)));
    auto* watcher =
        new QDBusServiceWatcher(kInterface, bus_, QDBusServiceWatcher::WatchForOwnerChange, this);
    connect(watcher, &QDBusServiceWatcher::serviceOwnerChanged, this,
            &DesktopNotifier::onServiceOwnerChanged);
}

void DesktopNotifier::announce(const DesktopNotification& notification) {
    if (!bus_.isConnected())
        return;
    queued_ = notification;
    haveQueued_ = true;
    withdrawPending_ = false; // the new announcement takes the pending one's place
    if (!capabilitiesKnown_)
        askCapabilities();
    else
        sendNotify();
}

void DesktopNotifier::withdraw() {
    haveQueued_ = false;
    if (notifyPending_) {
        withdrawPending_ = true;
        return;
    }
    if (id_ == 0)
        return;
    sendClose(id_);
    id_ = 0;
}

void DesktopNotifier::sendClose(std::uint32_t id) {
    if (!bus_.isConnected())
        return;
    QDBusMessage call = serviceCall("CloseNotification");
    call << uint(id);
    bus_.asyncCall(call);
}

void DesktopNotifier::askCapabilities() {
    if (capabilitiesPending_)
        return;
    capabilitiesPending_ = true;
    auto* watcher =
        new QDBusPendingCallWatcher(bus_.asyncCall(serviceCall("GetCapabilities")), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, &DesktopNotifier::onCapabilities);
}

void DesktopNotifier::onCapabilities(QDBusPendingCallWatcher* call) {
    call->deleteLater();
    capabilitiesPending_ = false;
    QDBusPendingReply<QStringList> reply = *call;
    if (reply.isError()) {
        // No service: the announcement goes nowhere; the next one asks again.
        haveQueued_ = false;
        emit unanswered();
        return;
    }
    capabilitiesKnown_ = true;
    actions_ = reply.value().contains(QStringLiteral("actions"));
    markup_ = reply.value().contains(QStringLiteral("body-markup"));
    sendNotify();
}

// One Notify at a time: the next one must name the id the previous one got.
void DesktopNotifier::sendNotify() {
    if (!haveQueued_ || notifyPending_)
        return;
    haveQueued_ = false;
    QStringList actions;
    if (actions_)
        actions << QString::fromLatin1(kActionDefault) << labels_.open
                << QString::fromLatin1(kActionMarkRead) << labels_.markRead
                << QString::fromLatin1(kActionCheckNow) << labels_.checkNow;
    QVariantMap hints;
    hints.insert(QStringLiteral("category"), QStringLiteral("email.arrived"));
    hints.insert(QStringLiteral("urgency"),
                 QVariant::fromValue(static_cast<uchar>(queued_.urgency)));
    hints.insert(QStringLiteral("desktop-entry"), QString::fromLatin1(kDesktopEntry));
    if (queued_.suppressSound)
        hints.insert(QStringLiteral("suppress-sound"), true);
    QDBusMessage call = serviceCall("Notify");
    call << QStringLiteral("Ombrix") << uint(id_) << QString::fromLatin1(kDesktopEntry)
         << queued_.summary << notificationBody(queued_, markup_) << actions << hints
         << kServiceTimeout;
    notifyPending_ = true;
    auto* watcher = new QDBusPendingCallWatcher(bus_.asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, &DesktopNotifier::onNotifyReply);
}

void DesktopNotifier::onNotifyReply(QDBusPendingCallWatcher* call) {
    call->deleteLater();
    notifyPending_ = false;
    QDBusPendingReply<uint> reply = *call;
    if (reply.isError()) {
        id_ = 0;
        haveQueued_ = false;
        withdrawPending_ = false;
        emit unanswered();
        return;
    }
    id_ = reply.value();
    emit announced(id_);
    if (std::exchange(withdrawPending_, false)) {
        sendClose(id_);
        id_ = 0;
        return;
    }
    sendNotify();
}

void DesktopNotifier::onActivationToken(uint id, const QString& token) {
    if (id != 0 && id == id_)
        activationToken_ = token;
}

// A token is good for the one action it came with.
void DesktopNotifier::onActionInvoked(uint id, const QString& action) {
    const QString token = std::exchange(activationToken_, QString());
    if (id == 0 || id != id_)
        return;
    if (action == QLatin1String(kActionDefault))
        emit openWindowRequested(token);
    else if (action == QLatin1String(kActionMarkRead))
        emit markReadRequested();
    else if (action == QLatin1String(kActionCheckNow))
        emit checkNowRequested();
}

void DesktopNotifier::onNotificationClosed(uint id, uint /*reason*/) {
    if (id == 0 || id != id_)
        return;
    id_ = 0;
    emit closed();
}

// A new or vanished service knows nothing of our id or its former capabilities.
void DesktopNotifier::onServiceOwnerChanged(const QString& /*name*/, const QString& /*oldOwner*/,
                                            const QString& /*newOwner*/) {
    id_ = 0;
    capabilitiesKnown_ = false;
    actions_ = false;
    markup_ = false;
    activationToken_.clear();
}

} // namespace ombrix
