#include "config/read_state_switches.h"

#include "config/account_conf_key.h"
#include "core/password_keyring.h"

#include <string_view>

namespace ombrix {
namespace {

constexpr std::string_view kOffValue = "off";

bool isOff(const ProgramConf& conf, const char* field, const SecretKey& account) {
    return conf.value(accountConfKey(field, account)) == kOffValue;
}

bool hasEntries(const ProgramConf& conf, const SecretKey& account) {
    return conf.value(accountConfKey(kConfReadFromServer, account)) ||
           conf.value(accountConfKey(kConfReadToServer, account));
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
    // An account that joins another's name takes that name's switches.
    if (accountConfKey(kConfReadFromServer, before) == accountConfKey(kConfReadFromServer, after) ||
        !hasEntries(readProgramConf(), before))
        return {};
    const bool keepOld = accountsWithKey(before) > 0;
    return updateProgramConf([&](ProgramConf& conf) {
        const ReadStateSwitches switches = readStateSwitchesOf(conf, before);
        if (!keepOld)
            forgetReadStateSwitches(conf, before);
        setReadStateSwitches(conf, after, switches);
    });
}

std::error_code readStateFollowsDeletion(const SecretKey& deleted) {
    if (accountsWithKey(deleted) > 0 || !hasEntries(readProgramConf(), deleted))
        return {};
    return updateProgramConf([&](ProgramConf& conf) { forgetReadStateSwitches(conf, deleted); });
}

} // namespace ombrix
