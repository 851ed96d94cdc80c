#include "config/account_entries.h"

#include "config/account_conf_key.h"
#include "config/program_conf.h"
#include "core/password_keyring.h"

#include <optional>
#include <string>

namespace ombrix {
namespace {

bool hasEntries(std::initializer_list<std::string_view> fields, const SecretKey& account) {
    const ProgramConf conf = readProgramConf();
    for (const std::string_view field : fields)
        if (conf.value(accountConfKey(field, account)))
            return true;
    return false;
}

} // namespace

std::error_code entriesFollowEdit(std::initializer_list<std::string_view> fields,
                                  const SecretKey& before, const SecretKey& after, OnRename rule) {
    if (accountConfKey({}, before) == accountConfKey({}, after) || !hasEntries(fields, before))
        return {};
    const bool keepOld = accountsWithKey(before) > 0;
    if (keepOld && rule == OnRename::Drop)
        return {};
    return updateProgramConf([&](ProgramConf& conf) {
        for (const std::string_view field : fields) {
            const std::string from = accountConfKey(field, before);
            const std::optional<std::string> value = conf.value(from);
            if (!keepOld)
                conf.erase(from);
            if (rule == OnRename::Drop)
                continue;
            if (value)
                conf.set(accountConfKey(field, after), *value);
            else
                conf.erase(accountConfKey(field, after));
        }
    });
}

std::error_code entriesFollowDeletion(std::initializer_list<std::string_view> fields,
                                      const SecretKey& deleted) {
    if (accountsWithKey(deleted) > 0 || !hasEntries(fields, deleted))
        return {};
    return updateProgramConf([&](ProgramConf& conf) {
        for (const std::string_view field : fields)
            conf.erase(accountConfKey(field, deleted));
    });
}

} // namespace ombrix
