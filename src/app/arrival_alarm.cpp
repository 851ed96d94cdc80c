#include "app/arrival_alarm.h"

#include "app/list_notifications.h"
#include "config/settings.h"
#include "core/account_table.h"
#include "core/commit_bracket.h"
#include "core/password_keyring.h"

#include <algorithm>
#include <vector>

namespace ombrix {
namespace {

int slotsInUse() {
    return static_cast<int>(std::min<std::uint32_t>(accountCount, kMaxAccounts));
}

AccountAlert alertOf(const ProgramConf& conf, const AccountRecord& account) {
    return accountAlertOf(conf, keyringKeyOf(account));
}

} // namespace

bool alarmsFor(const ProgramConf& conf, int account) {
    return alertOf(conf, accounts[account]).kind != AlertKind::Silent;
}

ArrivalAlarm arrivalAlarmOf(std::span<const AccountAlert> arrivals) {
    if (arrivals.empty())
        return {true, {}};
    ArrivalAlarm alarm;
    for (const AccountAlert& alert : arrivals) {
        if (alert.kind == AlertKind::Silent)
            continue;
        alarm.alarms = true;
        if (alert.kind == AlertKind::OwnWave && alarm.ownWave.empty())
            alarm.ownWave = alert.waveFile;
    }
    return alarm;
}

ArrivalAlarm takeArrivalAlarm(const ProgramConf& conf) {
    std::vector<AccountAlert> arrivals;
    {
        const TableAccess access;
        for (int slot = 0; slot < slotsInUse(); ++slot) {
            AccountRecord& account = accounts[static_cast<std::size_t>(slot)];
            if (account.newMails > 0)
                arrivals.push_back(alertOf(conf, account));
            account.newMails = 0;
        }
    }
    return arrivalAlarmOf(arrivals);
}

std::uint32_t countAlarmingUnread(const ProgramConf& conf) {
    std::uint32_t unread = 0;
    const TableAccess access;
    for (int slot = 0; slot < slotsInUse(); ++slot) {
        const AccountRecord& account = accounts[static_cast<std::size_t>(slot)];
        if (account.deactivated != 0 || alertOf(conf, account).kind == AlertKind::Silent)
            continue;
        for (int i = 0; i < validMailCount(account); ++i)
            unread += account.mails[i].read == 0 ? 1 : 0;
    }
    return unread;
}

void startArrivalSounds(const ArrivalAlarm& alarm, NotificationHost& host) {
    if (!alarm.ownWave.empty())
        host.startWaveFileAlarm(alarm.ownWave);
    else if (settings.waveAlarm == 1)
        host.startWaveAlarm();
    if (settings.speakerAlarm == 1)
        host.startSpeakerAlarm();
}

} // namespace ombrix
