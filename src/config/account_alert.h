#pragma once
// How an account's new mail is announced, kept in ombrix.conf because obx.dat
// has no field for it. The account is named as the keyring names it (see
// config/account_conf_key.h):
//     alert/imap/993/imap.example.org/anna=silent
//     alert/pop3/995/pop.example.org/bert=wave
//     alertWave/pop3/995/pop.example.org/bert=/home/bert/bell.wav
// An account without an alert entry follows the program's settings.

#include "config/conf_keys.h"
#include "config/program_conf.h"
#include "platform/secret_store.h"

#include <string>
#include <system_error>

namespace ombrix {

enum class AlertKind {
    FollowProgram, // the settings panel's alarms
    OwnWave,       // its own wave file, whatever the panel's wave switch says
    Silent,        // listed and counted, but never sets off an alarm
};

struct AccountAlert {
    AlertKind kind = AlertKind::FollowProgram;
    std::string waveFile; // bytes of the path, with OwnWave only

    bool operator==(const AccountAlert&) const = default;
};

// A value no version wrote (or an own wave without a file) reads as
// following the program: an account is never silenced by a typo.
AccountAlert accountAlertOf(const ProgramConf& conf, const SecretKey& account);
void setAccountAlert(ProgramConf& conf, const SecretKey& account, const AccountAlert& alert);
void forgetAccountAlert(ProgramConf& conf, const SecretKey& account);
// The entries of `from` under `to` instead: an edit gave the account another
// server, user, protocol or port. `from` keeps its entries when `keepOld` is
// set (another account still goes by that name).
void moveAccountAlert(ProgramConf& conf, const SecretKey& from, const SecretKey& to, bool keepOld);

// What the account commands do with ombrix.conf, the table already changed
// (the caller holds it): the edited account's entries follow it to its new
// name, a deleted account's go once no account of the table goes by its name.
std::error_code alertFollowsEdit(const SecretKey& before, const SecretKey& after);
std::error_code alertFollowsDeletion(const SecretKey& deleted);

} // namespace ombrix
