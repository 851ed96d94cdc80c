#include "config/read_state_switches.h"

#include "config/account_conf_key.h"
#include "config/account_entries.h"

#include <string_view>

namespace ombrix {
namespace {

constexpr std::string_view kOffValue = "off";

bool isOff(const ProgramConf& conf, const char* field, const SecretKey& account) {
    return conf.value(accountConfKey(field, account)) == kOffValue;
}

} // namespace

ReadStateSwitches readStateSwitchesOf(const ProgramConf& conf, const SecretKey& account) {
    return {!isOff(conf, kConfReadFromServer, account), !isOff(conf, kConfReadToServer, account)};
}

ReadStateSwitches readStateInEffect(const ProgramConf& conf, const SecretKey& account) {
    if (account.protocol != "imap")
        return {false, false};
    return readStateSwitchesOf(conf, account);
}

void setReadStateSwitches(ProgramConf& conf, const SecretKey& account,
                          const ReadStateSwitches& switches) {
    forgetReadStateSwitches(conf, account);
    if (!switches.followServer)
        conf.set(accountConfKey(kConfReadFromServer, account), kOffValue);
    if (!switches.markOnServer)
        conf.set(accountConfKey(kConfReadToServer, account), kOffValue);
}

void forgetReadStateSwitches(ProgramConf& conf, const SecretKey& account) {
    conf.erase(accountConfKey(kConfReadFromServer, account));
    conf.erase(accountConfKey(kConfReadToServer, account));
}

std::error_code readStateFollowsEdit(const SecretKey& before, const SecretKey& after) {
    return entriesFollowEdit({kConfReadFromServer, kConfReadToServer}, before, after,
                             OnRename::Carry);
}

std::error_code readStateFollowsDeletion(const SecretKey& deleted) {
    return entriesFollowDeletion({kConfReadFromServer, kConfReadToServer}, deleted);
}

} // namespace ombrix
