#pragma once
// The desktop's own notification service (org.freedesktop.Notifications on the
// session bus). One running notification per program: each announcement
// replaces the previous one. Every call is asynchronous; when the service is
// missing or goes away, announcements simply go nowhere.

#include <QDBusConnection>
#include <QObject>
#include <QString>
#include <cstdint>

class QDBusPendingCallWatcher;

namespace ombrix {

enum class NotificationUrgency : std::uint8_t { Low = 0, Normal = 1, Critical = 2 };

struct DesktopNotification {
    QString summary;
    QString body;
    NotificationUrgency urgency = NotificationUrgency::Normal;
};

inline constexpr const char* kNotificationsService = "org.freedesktop.Notifications";
inline constexpr const char* kNotificationsPath = "/org/freedesktop/Notifications";
inline constexpr const char* kDesktopEntry = "org.ombrix.Ombrix";
inline constexpr const char* kActionDefault = "default";
inline constexpr const char* kActionMarkRead = "mark-read";

class DesktopNotifier : public QObject {
    Q_OBJECT

public:
    explicit DesktopNotifier(QDBusConnection bus = QDBusConnection::sessionBus(),
                             QObject* parent = nullptr);

    // The text of the "mark-read" action's button.
    void setMarkReadLabel(const QString& label) { markReadLabel_ = label; }
    void announce(const DesktopNotification& notification);
    // Closes our notification, if one is out.
    void withdraw();

    // The id the service gave our running notification; 0 while none is out.
    std::uint32_t currentId() const { return id_; }

signals:
    void openWindowRequested();
    void markReadRequested();
    // The service closed our notification (expired, dismissed or withdrawn).
    void closed();
    // The service answered a Notify call, or the announcement went nowhere
    // (tests wait on these).
    void announced(std::uint32_t id);
    void unanswered();

private slots:
    void onActionInvoked(uint id, const QString& action);
    void onNotificationClosed(uint id, uint reason);
    void onServiceOwnerChanged(const QString& name, const QString& oldOwner,
                               const QString& newOwner);

private:
    void askCapabilities();
    void sendNotify();
    void onCapabilities(QDBusPendingCallWatcher* call);
    void onNotifyReply(QDBusPendingCallWatcher* call);

    QDBusConnection bus_;
    QString markReadLabel_;
    std::uint32_t id_ = 0;
    bool capabilitiesKnown_ = false;
    bool capabilitiesPending_ = false;
    bool actions_ = false;
    bool notifyPending_ = false;
    bool haveQueued_ = false;
    DesktopNotification queued_;
};

} // namespace ombrix
