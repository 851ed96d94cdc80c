#include "config/keyring_marks.h"

#include "config/account_conf_key.h"
#include "config/keyring_removals.h"
#include "core/access_tokens.h"
#include "core/account_table.h"
#include "core/keyring_directory.h"

#include <algorithm>

namespace ombrix {
namespace {

constexpr const char* kYes = "yes";

bool answered(const PasswordAnswer& answer) {
    return answer.outcome == SecretOutcome::Done || answer.outcome == SecretOutcome::NotFound;
}

// An account under `key` whose password is, or is to come, from the keyring.
// The caller holds the table.
bool keyStillKept(const SecretKey& key) {
    const int used = static_cast<int>(std::min<std::uint32_t>(accountCount, kMaxAccounts));
    for (int slot = 0; slot < used; ++slot) {
        const AccountRecord& account = accounts[static_cast<std::size_t>(slot)];
        const SecretKey own = keyringKeyOf(account);
        if (accountConfKey(kConfKeyringPassword, own) != accountConfKey(kConfKeyringPassword, key))
            continue;
        if (account.passwordInKeyring != 0 ||
            (account.password.empty() && !signsInWithOAuth(account)))
            return true;
    }
    return false;
}

} // namespace

KeyringEntries keyringEntriesOf(const ProgramConf& conf) {
    KeyringEntries entries;
    entries.removals = pendingKeyringRemovals(conf);
    for (const std::string& confKey : conf.keys())
        if (auto key = accountOfConfKey(kConfKeyringPassword, confKey)) {
            key->directory = keyringDirectory;
            entries.kept.push_back(std::move(*key));
        }
    entries.marked = conf.value(kConfKeyringPasswordsMarked) == kYes;
    return entries;
}

void markKeptPasswords(const std::vector<PasswordAnswer>& answers) {
    if (!keyringChosen)
        return; // unmarked empty passwords were not asked for
    const ProgramConf conf = readProgramConf();
    std::vector<std::string> marks;
    for (const PasswordAnswer& answer : answers)
        if (answer.inKeyring && !conf.value(accountConfKey(kConfKeyringPassword, answer.key)))
            marks.push_back(accountConfKey(kConfKeyringPassword, answer.key));
    // Every empty password has had the keyring's answer: the rest are empty.
    const bool complete = !conf.value(kConfKeyringPasswordsMarked) &&
                          std::all_of(answers.begin(), answers.end(), answered);
    if (marks.empty() && !complete)
        return;
    updateProgramConf([&](ProgramConf& changed) {
        for (const std::string& mark : marks)
            changed.set(mark, kYes);
        if (complete)
            changed.set(kConfKeyringPasswordsMarked, kYes);
    });
}

void forgetKeptPasswords(const std::vector<SecretKey>& keys) {
    if (keys.empty())
        return;
    updateProgramConf([&keys](ProgramConf& conf) {
        for (const SecretKey& key : keys)
            conf.erase(accountConfKey(kConfKeyringPassword, key));
    });
}

std::error_code keptPasswordFollowsEdit(const SecretKey& before, const AccountRecord& edited) {
    const std::string old = accountConfKey(kConfKeyringPassword, before);
    if (!readProgramConf().value(old))
        return {};
    const std::string now = accountConfKey(kConfKeyringPassword, keyringKeyOf(edited));
    const bool waits = edited.passwordItemBefore.has_value();
    const bool oldKept = keyStillKept(before);
    if ((old == now || !waits) && oldKept)
        return {};
    return updateProgramConf([&](ProgramConf& conf) {
        if (waits)
            conf.set(now, kYes);
        if (!oldKept)
            conf.erase(old);
    });
}

std::error_code keptPasswordFollowsDeletion(const SecretKey& deleted) {
    const std::string mark = accountConfKey(kConfKeyringPassword, deleted);
    if (keyStillKept(deleted) || !readProgramConf().value(mark))
        return {};
    return updateProgramConf([&mark](ProgramConf& conf) { conf.erase(mark); });
}

} // namespace ombrix
