#include "app/window_notification_host.h"

#include "notify/alarm_sounds.h"
#include "notify/taskbar_notifier.h"
#include "platform/desktop_notifier.h"
#include "platform/desktop_session.h"
#include "platform/display_qstring.h"
#include "platform/window_timers.h"

#include <algorithm>

namespace ombrix {

namespace {

// One line of the notification per field: a line break or tab inside a
// stored header must not start a line of its own.
QString oneLine(const std::string& bytes) {
    QString text = toDisplay(bytes);
    for (QChar& c : text)
        if (c.unicode() < 0x20)
            c = QLatin1Char(' ');
    return text.simplified();
}

DesktopNotification desktopText(const ArrivalAnnouncement& announcement) {
    DesktopNotification notification;
    notification.summary = QString::fromUtf8(announcement.summary);
    for (const ArrivalLine& line : announcement.lines)
        notification.lines << oneLine(line.sender) + QStringLiteral(" \u2014 ") +
                                  oneLine(line.subject);
    notification.more = QString::fromUtf8(announcement.more);
    return notification;
}

} // namespace

WindowNotificationHost::WindowNotificationHost(WindowTimers& timers, WindowState& state,
                                               TraySetter tray, PopupSource popup,
                                               DesktopNotifier* desktop, Placeable placeable)
    : timers_(timers), state_(state), tray_(std::move(tray)), popup_(std::move(popup)),
      desktop_(desktop),
      placeable_(placeable ? std::move(placeable) : Placeable(windowsCanBePlaced)) {}

void WindowNotificationHost::showPopup(const std::string& text, std::uint32_t timeToShow,
                                       std::uint32_t timeToStay, std::uint32_t timeToHide) {
    CTaskbarNotifier* popup = popup_ ? popup_() : nullptr;
    if (!popup)
        return;
    popup->ShowMessage(toDisplay(text), timeToShow, timeToStay, timeToHide);
    popup->raise(); // into the topmost band, above the other topmost windows
}

void WindowNotificationHost::hidePopup() {
    if (CTaskbarNotifier* popup = popup_ ? popup_() : nullptr)
        popup->HidePopup();
}

bool WindowNotificationHost::popupCanBePlaced() const {
    return placeable_();
}

void WindowNotificationHost::announceOnDesktop(const ArrivalAnnouncement& announcement,
                                               bool ownSound) {
    if (!desktop_)
        return;
    DesktopNotification notification = desktopText(announcement);
    notification.suppressSound = ownSound;
    desktop_->announce(notification);
}

void WindowNotificationHost::withdrawFromDesktop() {
    if (desktop_)
        desktop_->withdraw();
}

void WindowNotificationHost::startWaveAlarm() {
    startWaveSound();
}

void WindowNotificationHost::startSpeakerAlarm() {
    startBeepSound();
}

void WindowNotificationHost::startWaveFileAlarm(const std::string& file) {
    startWaveSound(file);
}

// A stored period of 0 would fire on every pass of the event loop: each timer
// keeps a floor, the check a minute as at start-up, the repeated alarm a second.
void WindowNotificationHost::armCheckTimer(int milliseconds) {
    timers_.set(CheckTimer, std::max(milliseconds, kMinCheckPeriod));
}

void WindowNotificationHost::armLedTimer(int milliseconds) {
    timers_.set(LedTimer, milliseconds);
}

void WindowNotificationHost::stopLedTimer() {
    timers_.kill(LedTimer);
}

void WindowNotificationHost::armRepeatTimer(int milliseconds) {
    timers_.set(RepeatTimer, std::max(milliseconds, kMinRepeatPeriod));
}

void WindowNotificationHost::stopRepeatTimer() {
    timers_.kill(RepeatTimer);
}

void WindowNotificationHost::armMarkReadTimer() {
    timers_.set(MarkReadTimer, kMarkReadDelay);
}

void WindowNotificationHost::setTray(TrayIconKind icon, const std::string& tooltip) {
    if (tray_)
        tray_(icon, tooltip);
}

} // namespace ombrix
