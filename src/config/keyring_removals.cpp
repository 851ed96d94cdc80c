#include "config/keyring_removals.h"

#include "config/account_conf_key.h"
#include "core/access_tokens.h"
#include "core/account_table.h"
#include "core/commit_bracket.h"
#include "core/keyring_directory.h"
#include "core/password_keyring.h"

#include <algorithm>
#include <mutex>
#include <optional>
#include <string_view>

namespace ombrix {
namespace {

constexpr const char* kPending = "pending";

// Held from "is the removal still named?" to "it is done", and by a sign-in
// that withdraws the removal of its key before it stores a new token there:
// the token is never taken for the old one.
std::mutex removalMutex;

bool sameKey(const SecretKey& a, const SecretKey& b) {
    return a.host == b.host && a.user == b.user && a.protocol == b.protocol && a.port == b.port;
}

enum class KeyUse {
    None,  // no account stands on the key: the item is nobody's
    Stale, // accounts stand on it, but each keeps its password in obx.dat
    Own,   // the item is an account's own password or refresh token
};

std::optional<SecretKey> signInKeyOf(const SecretKey& key) {
    constexpr std::string_view kSuffix = "-oauth";
    const std::string_view protocol = key.protocol;
    if (protocol.size() <= kSuffix.size() ||
        protocol.substr(protocol.size() - kSuffix.size()) != kSuffix)
        return std::nullopt;
    SecretKey account = key;
    account.protocol.resize(protocol.size() - kSuffix.size());
    return account;
}

// The caller holds the table.
KeyUse keyUse(const SecretKey& key) {
    const std::optional<SecretKey> signIn = signInKeyOf(key);
    KeyUse use = KeyUse::None;
    const int used = static_cast<int>(std::min<std::uint32_t>(accountCount, kMaxAccounts));
    for (int slot = 0; slot < used; ++slot) {
        const AccountRecord& account = accounts[static_cast<std::size_t>(slot)];
        const SecretKey own = keyringKeyOf(account);
        if (signIn) {
            if (signsInWithOAuth(account) && sameKey(own, *signIn))
                return KeyUse::Own;
        } else if (!signsInWithOAuth(account) && sameKey(own, key)) {
            // Only an answer of the keyring sets the flag: the item holds
            // this account's password. Without it the item is an older one.
            if (account.passwordInKeyring != 0)
                return KeyUse::Own;
            use = KeyUse::Stale;
        }
    }
    return use;
}

bool named(const SecretKey& key) {
    return readProgramConf().value(accountConfKey(kConfKeyringRemoval, key)).has_value();
}

void dropRemoval(const SecretKey& key) {
    const std::string confKey = accountConfKey(kConfKeyringRemoval, key);
    updateProgramConf([&confKey](ProgramConf& conf) { conf.erase(confKey); });
}

// One named item; false when the keyring is locked or absent.
bool removeNamed(const SecretKey& key) {
    const std::lock_guard lock(removalMutex);
    if (!named(key))
        return true; // withdrawn by a sign-in meanwhile
    KeyUse use = KeyUse::None;
    {
        const TableAccess access;
        use = keyUse(key);
    }
    if (use != KeyUse::Own) {
        if (keyringGate().open() != SecretOutcome::Done)
            return false; // locked: asked once, and the user said no
        // Passwords go into the keyring on this thread only (the desktop's
        // keyring worker, or the command itself), and a sign-in withdraws
        // the removal first: whatever is stored from here on comes after.
        const SecretOutcome outcome = clearSecret(key);
        if (outcome == SecretOutcome::Locked || outcome == SecretOutcome::NoService)
            return false;
        if (outcome == SecretOutcome::Failed)
            return true; // kept for the next attempt
    }
    dropRemoval(key);
    return true;
}

// An item the settle has just stored or fetched becomes an account's own
// when the answers are applied; until then its flag says otherwise.
void dropStoredRemovals(const std::vector<PasswordAnswer>& answers) {
    const std::lock_guard lock(removalMutex);
    for (const PasswordAnswer& answer : answers)
        if (answer.inKeyring && named(answer.key))
            dropRemoval(answer.key);
}

} // namespace

void noteKeyringRemoval(const SecretKey& key) {
    const std::string confKey = accountConfKey(kConfKeyringRemoval, key);
    updateProgramConf([&confKey](ProgramConf& conf) { conf.set(confKey, kPending); });
}

std::vector<SecretKey> pendingKeyringRemovals(const ProgramConf& conf) {
    std::vector<SecretKey> pending;
    for (const std::string& confKey : conf.keys())
        if (auto key = accountOfConfKey(kConfKeyringRemoval, confKey)) {
            // ombrix.conf is the directory's own: so are the items it names.
            key->directory = keyringDirectory;
            pending.push_back(std::move(*key));
        }
    return pending;
}

bool keyringRemovalNamed(const SecretKey& key) {
    return named(key);
}

void withdrawKeyringRemoval(const SecretKey& key) {
    const std::lock_guard lock(removalMutex);
    if (named(key))
        dropRemoval(key);
}

void removeNamedKeyringItem(const SecretKey& key) {
    if (keyringChosen)
        removeNamed(key);
}

void removePendingKeyringItems() {
    if (!keyringChosen)
        return;
    for (const SecretKey& key : pendingKeyringRemovals(readProgramConf()))
        if (!removeNamed(key))
            return; // so are the others
}

void removePendingKeyringItemsAfter(const std::vector<PasswordAnswer>& answers) {
    if (!keyringChosen)
        return;
    dropStoredRemovals(answers);
    const bool answered =
        answers.empty() || std::any_of(answers.begin(), answers.end(), [](const auto& answer) {
            return answer.outcome == SecretOutcome::Done ||
                   answer.outcome == SecretOutcome::NotFound;
        });
    if (answered)
        removePendingKeyringItems();
}

} // namespace ombrix
