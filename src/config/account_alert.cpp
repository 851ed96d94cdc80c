#include "config/account_alert.h"

#include "config/account_conf_key.h"
#include "core/password_keyring.h"

#include <optional>
#include <string_view>

namespace ombrix {
namespace {

constexpr std::string_view kSilentValue = "silent";
constexpr std::string_view kOwnWaveValue = "wave";

bool hasEntries(const ProgramConf& conf, const SecretKey& account) {
    return conf.value(accountConfKey(kConfAlert, account)) ||
           conf.value(accountConfKey(kConfAlertWave, account));
}

} // namespace

AccountAlert accountAlertOf(const ProgramConf& conf, const SecretKey& account) {
    const std::optional<std::string> kind = conf.value(accountConfKey(kConfAlert, account));
    if (kind == kSilentValue)
        return {AlertKind::Silent, {}};
    if (kind != kOwnWaveValue)
        return {};
    std::string file = conf.value(accountConfKey(kConfAlertWave, account)).value_or("");
    if (file.empty())
        return {};
    return {AlertKind::OwnWave, std::move(file)};
}

void setAccountAlert(ProgramConf& conf, const SecretKey& account, const AccountAlert& alert) {
    forgetAccountAlert(conf, account);
    switch (alert.kind) {
    case AlertKind::FollowProgram:
        break;
    case AlertKind::Silent:
        conf.set(accountConfKey(kConfAlert, account), kSilentValue);
        break;
    case AlertKind::OwnWave:
        if (alert.waveFile.empty())
            break;
        conf.set(accountConfKey(kConfAlert, account), kOwnWaveValue);
        conf.set(accountConfKey(kConfAlertWave, account), alert.waveFile);
        break;
    }
}

void forgetAccountAlert(ProgramConf& conf, const SecretKey& account) {
    conf.erase(accountConfKey(kConfAlert, account));
    conf.erase(accountConfKey(kConfAlertWave, account));
}

void moveAccountAlert(ProgramConf& conf, const SecretKey& from, const SecretKey& to, bool keepOld) {
    const AccountAlert alert = accountAlertOf(conf, from);
    if (!keepOld)
        forgetAccountAlert(conf, from);
    setAccountAlert(conf, to, alert);
}

std::error_code alertFollowsEdit(const SecretKey& before, const SecretKey& after) {
    // Nothing to carry: an account that joins another's name takes its alert.
    if (accountConfKey(kConfAlert, before) == accountConfKey(kConfAlert, after) ||
        !hasEntries(readProgramConf(), before))
        return {};
    const bool keepOld = accountsWithKey(before) > 0;
    return updateProgramConf(
        [&](ProgramConf& conf) { moveAccountAlert(conf, before, after, keepOld); });
}

std::error_code alertFollowsDeletion(const SecretKey& deleted) {
    if (accountsWithKey(deleted) > 0 || !hasEntries(readProgramConf(), deleted))
        return {};
    return updateProgramConf([&](ProgramConf& conf) { forgetAccountAlert(conf, deleted); });
}

} // namespace ombrix
