#include "app/list_notifications.h"

#include "app/arrival_alarm.h"
#include "app/untrusted_certificate.h"
#include "check/check_run.h"
#include "config/program_conf.h"
#include "config/settings.h"
#include "core/commit_bracket.h"
#include "core/language.h"

#include <algorithm>

namespace ombrix {
namespace {

int accountsInUse() {
    return static_cast<int>(std::min<std::uint32_t>(accountCount, kMaxAccounts));
}

bool anyLedSetting() {
    return settings.scrollLockLed == 1 || settings.numLockLed == 1 || settings.capsLockLed == 1;
}

// A silent account's mail is no part of what the notification names.
void showArrival(const std::string& notifyText, NotificationHost& host, const ProgramConf& conf,
                 const ArrivalAlarm& alarm) {
    const ArrivalChannel channel =
        arrivalChannel(settings.popupEnabled == 1, host.popupCanBePlaced(),
                       conf.flag(kConfDesktopNotification, true));
    switch (channel) {
    case ArrivalChannel::Popup:
        host.showPopup(notifyText, kPopupShowTime,
                       settings.popupAutoClose == 1 ? kPopupStayTime : kPopupStayOpenTime,
                       kPopupHideTime);
        break;
    case ArrivalChannel::Desktop:
        host.announceOnDesktop(
            describeArrivals([&conf](int account) { return alarmsFor(conf, account); }),
            ownArrivalSound() || !alarm.ownWave.empty());
        break;
    case ArrivalChannel::None:
        break;
    }
}

void announceNewMail(const std::string& notifyText, NotificationHost& host, const ProgramConf& conf,
                     const ArrivalAlarm& alarm) {
    newMailCount = 0;
    if (!alarm.alarms)
        return; // only silent accounts brought it
    showArrival(notifyText, host, conf, alarm);
    startArrivalSounds(alarm, host);
}

// Nothing unread is left to announce.
void withdrawArrival(NotificationHost& host) {
    host.hidePopup();
    host.withdrawFromDesktop();
}

std::uint32_t keepAlarmsInLine(std::string& notifyText, NotificationHost& host) {
    const ProgramConf conf = readProgramConf();
    if (newMailCount > 0 && !notifyText.empty())
        announceNewMail(notifyText, host, conf, takeArrivalAlarm(conf));
    const std::uint32_t unread = countUnreadMails();
    // The tray shows every unread mail; the alarms only those of accounts
    // that are not silent.
    std::uint32_t& alarming = host.windowState().alarmingUnread;
    alarming = countAlarmingUnread(conf);
    if (settings.repeatAlarm == 1) {
        if (alarming > 0)
            host.armRepeatTimer(settings.repeatSeconds * 1000);
        else
            host.stopRepeatTimer();
    }
    if (unread > 0) {
        if (alarming > 0)
            host.armLedTimer(kLedUnreadPeriod);
        else
            host.stopLedTimer();
        if (notifyText.size() > kMaxTooltipNotifyText)
            notifyText = severalAccountsText();
        host.setTray(TrayIconKind::NewMail, notifyText);
    } else {
        host.stopLedTimer();
        host.setTray(TrayIconKind::Idle, noNewMailTooltip());
        withdrawArrival(host);
    }
    return unread;
}

} // namespace

const char* failureTooltip() {
    return Text("Es konnte nicht zu einem Mailserver verbunden werden.\r\n Öffnen sie OBX um "
                "mehr über den Fehler zu erfahren.",
                "Could not connect to a mailserver.\r\n open Ombrix to get more information.");
}

std::string certificateTooltip(const std::string& accountName) {
    return Text("Zertifikat nicht vertrauenswürdig: ", "Certificate not trusted: ") + accountName +
           Text("\r\n Öffnen Sie OBX, um es zu prüfen.", "\r\n open Ombrix to check it.");
}

const char* noNewMailTooltip() {
    return Text("Keine neuen Mails vorhanden", "No new mails");
}

const char* severalAccountsText() {
    return Text("Mehrere Konten haben neue Mails !", "Several accounts have new mails !");
}

AccountSummary summarizeAccounts() {
    AccountSummary summary;
    const TableAccess access;
    const int count = accountsInUse();
    summary.rows.reserve(static_cast<std::size_t>(count));
    for (int k = 0; k < count; ++k) {
        const AccountRecord& account = accounts[k];
        summary.mailTotal += validMailCount(account);
        AccountRow row{account.name, accountStatus(account)};
        if (row.status.image == kImageFailed)
            summary.anyAccountFailed = true;
        if (summary.untrustedAccount.empty() && untrustedCertificate(account))
            summary.untrustedAccount = account.name;
        if (row.status.image == kImageUnread)
            summary.notifyText += unreadNotifyLine(account, row.status.unread);
        summary.rows.push_back(std::move(row));
    }
    return summary;
}

ArrivalChannel arrivalChannel(bool popupWanted, bool popupPlaceable, bool desktopWanted) {
    if (popupWanted && popupPlaceable)
        return ArrivalChannel::Popup;
    // A pop-up the platform cannot place: the desktop's channel announces
    // instead, whatever its own switch says.
    return popupWanted || desktopWanted ? ArrivalChannel::Desktop : ArrivalChannel::None;
}

bool ownArrivalSound() {
    return settings.waveAlarm == 1 || settings.speakerAlarm == 1;
}

std::uint32_t countUnreadMails() {
    std::uint32_t unread = 0;
    const TableAccess access;
    for (int k = 0; k < accountsInUse(); ++k) {
        const AccountRecord& account = accounts[k];
        if (account.deactivated != 0)
            continue;
        for (int i = 0; i < validMailCount(account); ++i)
            unread += account.mails[i].read == 0 ? 1 : 0;
    }
    return unread;
}

std::uint32_t applyNotifications(std::string& notifyText, bool anyAccountFailed,
                                 std::int64_t mailTotal, NotificationHost& host,
                                 const std::string& untrustedAccount) {
    host.windowState().alarmingUnread = 0;
    if (anyAccountFailed) {
        host.setTray(TrayIconKind::Failure, untrustedAccount.empty()
                                                ? std::string(failureTooltip())
                                                : certificateTooltip(untrustedAccount));
        if (anyLedSetting())
            host.armLedTimer(kLedFailurePeriod);
        return 0;
    }
    if (mailTotal > 0)
        return keepAlarmsInLine(notifyText, host);
    // Every mail went (deleted in another program): so does its announcement.
    host.stopRepeatTimer();
    host.stopLedTimer();
    host.setTray(TrayIconKind::Idle, noNewMailTooltip());
    withdrawArrival(host);
    return 0;
}

} // namespace ombrix
