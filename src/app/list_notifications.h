#pragma once
// What a refresh of the lists decides about the tray icon, the tooltip and the
// new-mail alarms. The decisions are plain code over the account table and the
// settings; the window carries them out through NotificationHost.

#include "app/arrival_announcement.h"
#include "app/window_state.h"
#include "check/account_status.h"
#include "core/run_host.h"

#include <cstdint>
#include <string>
#include <vector>

namespace ombrix {

// The pop-up's times of a new-mail announcement, in milliseconds.
inline constexpr std::uint32_t kPopupShowTime = 800;
inline constexpr std::uint32_t kPopupStayTime = 7000;
inline constexpr std::uint32_t kPopupStayOpenTime = 999999;
inline constexpr std::uint32_t kPopupHideTime = 500;

// LedTimer's periods: fast after a failed check, slower while mail is unread.
inline constexpr int kLedFailurePeriod = 200;
inline constexpr int kLedUnreadPeriod = 300;

// Longer notify texts are replaced in the tooltip by the "several accounts" text.
inline constexpr std::size_t kMaxTooltipNotifyText = 127;

// The main window's side: its pop-up, its alarm sounds, its timers and its tray
// icon. The lists and the settings panel call it; tests record the calls.
class NotificationHost {
public:
    virtual ~NotificationHost() = default;

    // Shows the pop-up with the text (bytes as stored) and raises it above all.
    virtual void showPopup(const std::string& text, std::uint32_t timeToShow,
                           std::uint32_t timeToStay, std::uint32_t timeToHide) = 0;
    virtual void hidePopup() = 0;
    // Whether the session lets the pop-up take its place at the screen edge.
    virtual bool popupCanBePlaced() const = 0;
    // The announcement through the desktop's own notifications, where the
    // desktop has them; withdrawn when no unread mail is left.
    // `ownSound`: the program plays its sound for this arrival itself.
    virtual void announceOnDesktop(const ArrivalAnnouncement& announcement, bool ownSound) = 0;
    virtual void withdrawFromDesktop() = 0;
    // Starts the wave sound / the speaker pattern unless it plays already.
    virtual void startWaveAlarm() = 0;
    virtual void startSpeakerAlarm() = 0;
    // The wave sound with an account's own file, under the same busy flag.
    virtual void startWaveFileAlarm(const std::string& file) = 0;

    // Arming a running timer restarts its period.
    virtual void armCheckTimer(int milliseconds) = 0;
    virtual void armLedTimer(int milliseconds) = 0;
    virtual void stopLedTimer() = 0;
    virtual void armRepeatTimer(int milliseconds) = 0;
    virtual void stopRepeatTimer() = 0;
    // The mark-as-read dialog opens on this timer's tick (100 ms).
    virtual void armMarkReadTimer() = 0;

    virtual void setTray(TrayIconKind icon, const std::string& tooltip) = 0;

    // The window's state: a refresh sets its unread counts, the panel and the
    // LEDs ask them; the lists keep their order in it.
    virtual WindowState& windowState() = 0;
};

// One row of the account list.
struct AccountRow {
    std::string name;
    AccountStatus status;
};

// The account part of a refresh: a row per account slot in use, the tray and
// pop-up lines of the accounts with unread mail, whether one failed, and the
// number of mails over all accounts.
struct AccountSummary {
    std::vector<AccountRow> rows;
    std::string notifyText;
    bool anyAccountFailed = false;
    std::string untrustedAccount; // the first account failed on its server's certificate
    std::int64_t mailTotal = 0;
};

AccountSummary summarizeAccounts();

// Unread mails of all accounts that are not deactivated.
std::uint32_t countUnreadMails();

// Where an arrival is announced: one channel, never both. The pop-up where
// the user turned it on and the session lets it be placed, else the desktop's
// notification where that is switched on.
enum class ArrivalChannel : std::uint8_t { None, Popup, Desktop };
ArrivalChannel arrivalChannel(bool popupWanted, bool popupPlaceable, bool desktopWanted);

// Whether the program sounds an arrival itself (wave or speaker alarm).
bool ownArrivalSound();

// The tray, tooltip and alarm decisions of a refresh. Announces new mail at
// most once per check (it sets newMailCount back to 0) and never while an
// account has failed. When no unread mail is left (or no mail at all) the
// pop-up and the desktop's notification go. Returns the unread total; `notifyText` may be replaced
// by the "several accounts" text when it is too long for the tooltip. A failure on an untrusted
// certificate (`untrustedAccount` names the account) says so in the tooltip, as the user can mend
// it.
std::uint32_t applyNotifications(std::string& notifyText, bool anyAccountFailed,
                                 std::int64_t mailTotal, NotificationHost& host,
                                 const std::string& untrustedAccount = {});

// The tooltips of the tray icon.
const char* failureTooltip();
std::string certificateTooltip(const std::string& accountName);
const char* noNewMailTooltip();
const char* severalAccountsText();

} // namespace ombrix
