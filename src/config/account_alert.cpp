#include "config/account_alert.h"

#include "config/account_conf_key.h"
#include "config/account_entries.h"

#include <optional>
#include <string_view>

namespace ombrix {
namespace {

constexpr std::string_view kSilentValue = "silent";
constexpr std::string_view kOwnWaveValue = "wave";

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
    return entriesFollowEdit({kConfAlert, kConfAlertWave}, before, after, OnRename::Carry);
}

std::error_code alertFollowsDeletion(const SecretKey& deleted) {
    return entriesFollowDeletion({kConfAlert, kConfAlertWave}, deleted);
}

} // namespace ombrix
