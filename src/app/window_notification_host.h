#pragma once
// The main window's NotificationHost over the real parts: its window timers
// (by the ids of check/run_host.h), the taskbar pop-up, the alarm sounds and
// the tray icon.

#include "app/list_notifications.h"

#include <functional>

namespace ombrix {

class CTaskbarNotifier;
class DesktopNotifier;
class WindowTimers;

// The mark-as-read dialog opens this long after the header click.
inline constexpr int kMarkReadDelay = 100;
inline constexpr int kMinCheckPeriod = 60000;
inline constexpr int kMinRepeatPeriod = 1000;

class WindowNotificationHost final : public NotificationHost {
public:
    using TraySetter = std::function<void(TrayIconKind, const std::string& tooltip)>;
    // The window creates its pop-up late in its start-up: asked at each use,
    // null while there is none.
    using PopupSource = std::function<CTaskbarNotifier*()>;
    // Whether the session lets a window be placed (the desktop session's
    // answer unless a test gives its own).
    using Placeable = std::function<bool()>;

    WindowNotificationHost(WindowTimers& timers, WindowState& state, TraySetter tray,
                           PopupSource popup, DesktopNotifier* desktop = nullptr,
                           Placeable placeable = {});

    void showPopup(const std::string& text, std::uint32_t timeToShow, std::uint32_t timeToStay,
                   std::uint32_t timeToHide) override;
    void hidePopup() override;
    bool popupCanBePlaced() const override;
    void announceOnDesktop(const ArrivalAnnouncement& announcement, bool ownSound) override;
    void withdrawFromDesktop() override;
    void startWaveAlarm() override;
    void startSpeakerAlarm() override;
    void startWaveFileAlarm(const std::string& file) override;
    void armCheckTimer(int milliseconds) override;
    void armLedTimer(int milliseconds) override;
    void stopLedTimer() override;
    void armRepeatTimer(int milliseconds) override;
    void stopRepeatTimer() override;
    void armMarkReadTimer() override;
    void setTray(TrayIconKind icon, const std::string& tooltip) override;
    WindowState& windowState() override { return state_; }

private:
    WindowTimers& timers_;
    WindowState& state_;
    TraySetter tray_;
    PopupSource popup_;
    DesktopNotifier* desktop_;
    Placeable placeable_;
};

} // namespace ombrix
