#include "app/window_notification_host.h"

#include "notify/alarm_sounds.h"
#include "notify/taskbar_notifier.h"
#include "platform/desktop_notifier.h"
#include "platform/display_qstring.h"
#include "platform/window_timers.h"

#include <algorithm>

namespace ombrix {

WindowNotificationHost::WindowNotificationHost(WindowTimers& timers, TraySetter tray,
                                               PopupSource popup, DesktopNotifier* desktop)
    : timers_(timers), tray_(std::move(tray)), popup_(std::move(popup)), desktop_(desktop) {}

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

// The service shows plain lines: the pop-up's CR LF become single breaks.
void WindowNotificationHost::announceOnDesktop(const std::string& text) {
    if (!desktop_)
        return;
    QString body = toDisplay(text);
    body.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    desktop_->announce({QStringLiteral("Ombrix"), body.trimmed(), NotificationUrgency::Normal});
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
