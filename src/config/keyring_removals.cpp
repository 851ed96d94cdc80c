#include "config/keyring_removals.h"

#include "config/account_conf_key.h"
#include "core/access_tokens.h"
#include "core/account_table.h"
#include "core/password_keyring.h"
#include "core/table_lock.h"

#include <algorithm>

namespace ombrix {
namespace {

constexpr const char* kPending = "pending";

bool sameKey(const SecretKey& a, const SecretKey& b) {
    return a.host == b.host && a.user == b.user && a.protocol == b.protocol && a.port == b.port;
}

// An account that keeps its password under `key` again: the item is its own.
// The caller holds the table.
bool keyInUse(const SecretKey& key) {
    const int used = static_cast<int>(std::min<std::uint32_t>(accountCount, kMaxAccounts));
    for (int slot = 0; slot < used; ++slot) {
        const AccountRecord& account = accounts[static_cast<std::size_t>(slot)];
        if (!signsInWithOAuth(account) && sameKey(keyringKeyOf(account), key))
            return true;
    }
    return false;
}

void dropRemoval(const SecretKey& key) {
    const std::string confKey = accountConfKey(kConfKeyringRemoval, key);
    updateProgramConf([&confKey](ProgramConf& conf) { conf.erase(confKey); });
}

} // namespace

void noteKeyringRemoval(const SecretKey& key) {
    const std::string confKey = accountConfKey(kConfKeyringRemoval, key);
    updateProgramConf([&confKey](ProgramConf& conf) { conf.set(confKey, kPending); });
}

std::vector<SecretKey> pendingKeyringRemovals(const ProgramConf& conf) {
    std::vector<SecretKey> pending;
    for (const std::string& confKey : conf.keys())
        if (auto key = accountOfConfKey(kConfKeyringRemoval, confKey))
            pending.push_back(std::move(*key));
    return pending;
}

void removePendingKeyringItems() {
    if (!keyringChosen)
        return;
    for (const SecretKey& key : pendingKeyringRemovals(readProgramConf())) {
        bool inUse = false;
        {
            const TableAccess access;
            inUse = keyInUse(key);
        }
        if (!inUse) {
            // No account stands on the key now, and passwords go into the
            // keyring on this thread only (the desktop's keyring worker, or
            // the command itself): an account re-created from here on gets
            // its item after this removal.
            const SecretOutcome outcome = clearSecret(key);
            if (outcome == SecretOutcome::Locked || outcome == SecretOutcome::NoService)
                return; // so are the others
            if (outcome == SecretOutcome::Failed)
                continue; // kept for the next attempt
        }
        dropRemoval(key);
    }
}

void removePendingKeyringItemsAfter(const std::vector<PasswordAnswer>& answers) {
    const bool answered =
        answers.empty() || std::any_of(answers.begin(), answers.end(), [](const auto& answer) {
            return answer.outcome == SecretOutcome::Done ||
                   answer.outcome == SecretOutcome::NotFound;
        });
    if (answered)
        removePendingKeyringItems();
}

} // namespace ombrix
