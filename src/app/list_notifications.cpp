#include "app/list_notifications.h"

#include "app/arrival_alarm.h"
#include "app/untrusted_certificate.h"
#include "app/window_state.h"
#include "check/check_run.h"
#include "config/program_conf.h"
#include "config/settings.h"
#include "core/language.h"
#include "core/table_lock.h"

#include <algorithm>

namespace ombrix {
namespace {

int accountsInUse() {
    return static_cast<int>(std::min<std::uint32_t>(accountCount, kMaxAccounts));
}

bool anyLedSetting() {
    return settings.scrollLockLed == 1 || settings.numLockLed == 1 || settings.capsLockLed == 1;
}

void announceNewMail(const std::string& notifyText, NotificationHost& host,
                     const ArrivalAlarm& alarm) {
    newMailCount = 0;
    if (!alarm.alarms)
        return; // only silent accounts brought it
    if (settings.popupEnabled == 1)
        host.showPopup(notifyText, kPopupShowTime,
                       settings.popupAutoClose == 1 ? kPopupStayTime : kPopupStayOpenTime,
                       kPopupHideTime);
    if (readProgramConf().flag(kConfDesktopNotification, true))
        host.announceOnDesktop(notifyText);
    startArrivalSounds(alarm, host);
}

std::uint32_t keepAlarmsInLine(std::string& notifyText, NotificationHost& host) {
    const ProgramConf conf = readProgramConf();
    if (newMailCount > 0 && !notifyText.empty())
        announceNewMail(notifyText, host, takeArrivalAlarm(conf));
    const std::uint32_t unread = countUnreadMails();
    // The tray shows every unread mail; the alarms only those of accounts
    // that are not silent.
    alarmingUnread = countAlarmingUnread(conf);
    if (settings.repeatAlarm == 1) {
        if (alarmingUnread > 0)
            host.armRepeatTimer(settings.repeatSeconds * 1000);
        else
            host.stopRepeatTimer();
    }
    if (unread > 0) {
        if (alarmingUnread > 0)
            host.armLedTimer(kLedUnreadPeriod);
        else
            host.stopLedTimer();
        if (notifyText.size() > kMaxTooltipNotifyText)
            notifyText = severalAccountsText();
        host.setTray(TrayIconKind::NewMail, notifyText);
    } else {
        host.stopLedTimer();
        host.setTray(TrayIconKind::Idle, noNewMailTooltip());
        host.hidePopup();
        host.withdrawFromDesktop();
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

std::uint32_t countUnreadMails() {
    std::uint32_t unread = 0;
    const TableAccess access;
    for (int k = 0; k < accountsInUse(); ++k) {
        const AccountRecord& account = accounts[k];
        if (account.deactivated != 0)
            continue;
        for (int i = 0; i < validMailCount(account); ++i)
            unread += account.read[i] == 0 ? 1 : 0;
    }
    return unread;
}

std::uint32_t applyNotifications(std::string& notifyText, bool anyAccountFailed,
                                 std::int64_t mailTotal, NotificationHost& host,
                                 const std::string& untrustedAccount) {
    alarmingUnread = 0;
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
    host.stopRepeatTimer();
    host.stopLedTimer();
    host.setTray(TrayIconKind::Idle, noNewMailTooltip());
    return 0;
}

} // namespace ombrix
