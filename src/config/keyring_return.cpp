#include "config/keyring_return.h"

#include "config/keyring_marks.h"
#include "config/program_conf.h"
#include "config/state_store.h"
#include "core/commit_bracket.h"
#include "core/password_keyring.h"

#include <algorithm>

namespace ombrix {

bool passwordsWaitInKeyring() {
    if (keyringChosen)
        return false;
    const KeyringEntries entries = keyringEntriesOf(readProgramConf());
    const TableAccess access;
    return !passwordsToReturn(entries).empty();
}

PasswordReturn returnPasswordsToFile() {
    PasswordReturn result;
    if (keyringChosen)
        return result;
    std::vector<PasswordJob> jobs;
    {
        const TableAccess access;
        jobs = passwordsToReturn(keyringEntriesOf(readProgramConf()));
    }
    if (jobs.empty())
        return result;
    const std::vector<PasswordAnswer> answers = settlePasswords(jobs);
    std::vector<SecretKey> returned;
    {
        const TableAccess access;
        returned = takeReturnedPasswords(answers);
    }
    // Not found: an empty password, nothing to bring back.
    for (const PasswordAnswer& answer : answers)
        if (answer.outcome != SecretOutcome::Done && answer.outcome != SecretOutcome::NotFound) {
            result.trouble = answer.outcome;
            ++result.left;
        }
    if (!returned.empty() && !saveState(SaveKind::SettingsFile)) {
        result.left += static_cast<int>(returned.size());
        return result; // the items stay: obx.dat does not hold the passwords
    }
    removeReturnedItems(returned);
    result.returned = static_cast<int>(returned.size());
    return result;
}

void removeReturnedItems(const std::vector<SecretKey>& items) {
    // One not removed now stays as a copy; the password is safe in obx.dat.
    for (const SecretKey& item : items)
        clearSecret(item);
    forgetKeptPasswords(items);
}

} // namespace ombrix
