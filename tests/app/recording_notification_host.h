#pragma once
// A NotificationHost that remembers what the lists and the panel asked of the
// window: the timers' states, the tray, every pop-up, desktop announcement
// and sound start.

#include "app/list_notifications.h"

#include <string>
#include <vector>

namespace ombrix::test {

struct PopupCall {
    std::string text;
    std::uint32_t show, stay, hide;
};

class RecordingNotificationHost final : public NotificationHost {
public:
    static constexpr int kStopped = -1;
    static constexpr int kNeverTouched = -2;

    void showPopup(const std::string& text, std::uint32_t show, std::uint32_t stay,
                   std::uint32_t hide) override {
        popups.push_back({text, show, stay, hide});
    }
    void hidePopup() override { ++popupHides; }
    bool popupCanBePlaced() const override { return placeable; }
    void announceOnDesktop(const ArrivalAnnouncement& announcement, bool ownSound) override {
        desktopAnnouncements.push_back(announcement);
        desktopOwnSound.push_back(ownSound);
    }
    void withdrawFromDesktop() override { ++desktopWithdrawals; }
    void startWaveAlarm() override { ++waveStarts; }
    void startSpeakerAlarm() override { ++speakerStarts; }
    void startWaveFileAlarm(const std::string& file) override { waveFiles.push_back(file); }
    void armCheckTimer(int ms) override { checkTimer = ms; }
    void armLedTimer(int ms) override { ledTimer = ms; }
    void stopLedTimer() override { ledTimer = kStopped; }
    void armRepeatTimer(int ms) override { repeatTimer = ms; }
    void stopRepeatTimer() override { repeatTimer = kStopped; }
    void armMarkReadTimer() override { ++markReadArmed; }
    void setTray(TrayIconKind icon, const std::string& text) override {
        trayIcon = icon;
        tooltip = text;
        ++traySets;
    }
    WindowState& windowState() override { return state; }

    WindowState state;
    std::vector<PopupCall> popups;
    int popupHides = 0;
    bool placeable = true; // as on X11
    std::vector<ArrivalAnnouncement> desktopAnnouncements;
    std::vector<bool> desktopOwnSound;
    int desktopWithdrawals = 0;
    int waveStarts = 0;
    int speakerStarts = 0;
    std::vector<std::string> waveFiles; // an account's own, each start
    int checkTimer = kNeverTouched;
    int ledTimer = kNeverTouched;
    int repeatTimer = kNeverTouched;
    int markReadArmed = 0;
    TrayIconKind trayIcon = TrayIconKind::Checking; // no refresh shows this one
    std::string tooltip;
    int traySets = 0;
};

} // namespace ombrix::test
