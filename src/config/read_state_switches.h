#pragma once
// Whether an IMAP account's read state is in step with the server, kept in
// ombrix.conf because obx.dat has no field for it. Both switches are on
// unless the user turned one off, and only an "off" is written:
//     readFromServer/imap/993/imap.example.org/anna=off
//     readToServer/imap/993/imap.example.org/anna=off
// A POP3 server keeps no read state, so a POP3 account's flags stay local
// whatever the entries say.

#include "config/conf_keys.h"
#include "config/program_conf.h"
#include "platform/secret_store.h"

#include <system_error>

namespace ombrix {

struct ReadStateSwitches {
    bool followServer = true; // \Seen on the server sets and clears `read`
    bool markOnServer = true; // a mark read here sets \Seen there too

    bool operator==(const ReadStateSwitches&) const = default;
};

// What ombrix.conf says for the account, protocol aside. A value no version
// wrote reads as on: a typo never cuts an account off from its server.
ReadStateSwitches readStateSwitchesOf(const ProgramConf& conf, const SecretKey& account);
// The same, for the protocol the key names: both off for POP3.
ReadStateSwitches readStateInEffect(const ProgramConf& conf, const SecretKey& account);
void setReadStateSwitches(ProgramConf& conf, const SecretKey& account,
                          const ReadStateSwitches& switches);
void forgetReadStateSwitches(ProgramConf& conf, const SecretKey& account);

// As alertFollowsEdit / alertFollowsDeletion (config/account_alert.h): the
// entries follow an edited account to its new name and go with the last
// account of a deleted name. The caller holds the table.
std::error_code readStateFollowsEdit(const SecretKey& before, const SecretKey& after);
std::error_code readStateFollowsDeletion(const SecretKey& deleted);

} // namespace ombrix
