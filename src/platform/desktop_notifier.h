#pragma once
// The desktop's own notification service (org.freedesktop.Notifications on the
// session bus). One running notification per program: each announcement
// replaces the previous one. Every call is asynchronous; when the service is
// missing or goes away, announcements simply go nowhere.

#include <QDBusConnection>
#include <QObject>
#include <QString>
#include <QStringList>
#include <cstdint>

class QDBusPendingCallWatcher;

namespace ombrix {

enum class NotificationUrgency : std::uint8_t { Low = 0, Normal = 1, Critical = 2 };

// Plain text throughout: the notifier escapes the body where the service
// reads markup.
struct DesktopNotification {
    QString summary;
    QStringList lines; // the body, one line each
    QString more;      // a closing line after them; none when empty
    NotificationUrgency urgency = NotificationUrgency::Normal;
    bool suppressSound = false; // the program plays its own sound
};

// The buttons' texts of the three actions.
struct NotificationActionLabels {
    QString open = QStringLiteral("Open");
    QString markRead = QStringLiteral("Mark as read");
    QString checkNow = QStringLiteral("Check now");
};

inline constexpr const char* kNotificationsService = "org.freedesktop.Notifications";
inline constexpr const char* kNotificationsPath = "/org/freedesktop/Notifications";
inline constexpr const char* kDesktopEntry = "org.ombrix.Ombrix";
inline constexpr const char* kActionDefault = "default";
inline constexpr const char* kActionMarkRead = "mark-read";
inline constexpr const char* kActionCheckNow = "check-now";

// The body as the service reads it: lines joined by line breaks, escaped
// for a service that takes markup.
QString notificationBody(const DesktopNotification& notification, bool markup);

class DesktopNotifier : public QObject {
    Q_OBJECT

public:
    explicit DesktopNotifier(QDBusConnection bus = QDBusConnection::sessionBus(),
                             QObject* parent = nullptr);

    void setActionLabels(NotificationActionLabels labels) { labels_ = std::move(labels); }
    void announce(const DesktopNotification& notification);
    // Closes our notification, if one is out or on its way.
    void withdraw();

    // The id the service gave our running notification; 0 while none is out.
    std::uint32_t currentId() const { return id_; }

signals:
    // `activationToken` lets the window come to the front under Wayland;
    // empty where the service sent none.
    void openWindowRequested(const QString& activationToken);
    void markReadRequested();
    void checkNowRequested();
    // The service closed our notification (expired, dismissed or withdrawn).
    void closed();
    // The service answered a Notify call, or the announcement went nowhere
    // (tests wait on these).
    void announced(std::uint32_t id);
    void unanswered();

private slots:
    void onActionInvoked(uint id, const QString& action);
    void onActivationToken(uint id, const QString& token);
    void onNotificationClosed(uint id, uint reason);
    void onServiceOwnerChanged(const QString& name, const QString& oldOwner,
                               const QString& newOwner);

private:
    void askCapabilities();
    void sendNotify();
    void sendClose(std::uint32_t id);
    void onCapabilities(QDBusPendingCallWatcher* call);
    void onNotifyReply(QDBusPendingCallWatcher* call);

    QDBusConnection bus_;
    NotificationActionLabels labels_;
    std::uint32_t id_ = 0;
    bool capabilitiesKnown_ = false;
    bool capabilitiesPending_ = false;
    bool actions_ = false;
    bool markup_ = false;
    bool notifyPending_ = false;
    // A withdrawal while a Notify waits for its id: the id is closed once it
    // comes.
    bool withdrawPending_ = false;
    bool haveQueued_ = false;
    DesktopNotification queued_;
    QString activationToken_;
};

} // namespace ombrix
