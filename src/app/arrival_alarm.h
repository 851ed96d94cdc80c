#pragma once
// What the new mail of a check sets off, after the alert each account chose
// (config/account_alert.h). A silent account's mail is listed, counted and
// shown by the tray icon and its tooltip, but it never alarms: no sound, no
// pop-up or desktop notification, no LED, no repeated alarm. An account with
// a wave file of its own sounds with that file even when the program's wave
// alarm is off; its pop-up, notification, LEDs and speaker follow the
// program's settings. Several accounts at once give one wave: the first own
// file in the account list, else the program's.

#include "config/account_alert.h"
#include "config/program_conf.h"

#include <cstdint>
#include <span>
#include <string>

namespace ombrix {

class NotificationHost;

struct ArrivalAlarm {
    bool alarms = false; // false: nothing but the lists and the tray show the mail
    std::string ownWave; // empty: the program's wave alarm, as switched

    bool operator==(const ArrivalAlarm&) const = default;
};

// `arrivals`: the alerts of the accounts that brought new mail, in the order
// of the account list. New mail that no account claims (none is known to
// have brought it) alarms as the program's settings say.
ArrivalAlarm arrivalAlarmOf(std::span<const AccountAlert> arrivals);

// The same over the table: the accounts whose share of newMailCount is above
// 0. Sets each share back to 0, as the announcement does with newMailCount.
// On the window thread.
ArrivalAlarm takeArrivalAlarm(const ProgramConf& conf);

// Unread mails of the active accounts that are not silent: the LEDs and the
// repeated alarm run for these only.
std::uint32_t countAlarmingUnread(const ProgramConf& conf);

// The account in that slot is not silent. The caller holds the table.
bool alarmsFor(const ProgramConf& conf, int account);

// The sounds of an announcement that alarms.
void startArrivalSounds(const ArrivalAlarm& alarm, NotificationHost& host);

} // namespace ombrix
