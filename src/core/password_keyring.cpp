#include "core/password_keyring.h"

#include "core/access_tokens.h"
#include "core/commit_bracket.h"
#include "core/keyring_directory.h"
#include "core/keyring_texts.h"

#include <algorithm>
#include <charconv>

namespace ombrix {
namespace {

constexpr int kNoNotice = -1;
std::atomic<int> noticeOutcome{kNoNotice};

void noteTrouble(SecretOutcome outcome) {
    int none = kNoNotice;
    noticeOutcome.compare_exchange_strong(none, static_cast<int>(outcome));
}

bool sameKey(const SecretKey& a, const SecretKey& b) {
    return a.host == b.host && a.user == b.user && a.protocol == b.protocol && a.port == b.port;
}

bool sameAccount(const AccountRecord& account, const SecretKey& key) {
    return sameKey(keyringKeyOf(account), key);
}

// The port as the connection reads it; 0 for text that is no number.
int portNumber(const std::string& port) {
    int number = 0;
    const auto [rest, error] = std::from_chars(port.data(), port.data() + port.size(), number);
    return error == std::errc() && rest == port.data() + port.size() ? number : 0;
}

int usedSlots() {
    return static_cast<int>(std::min<std::uint32_t>(accountCount, kMaxAccounts));
}

} // namespace

SecretKey keyringKeyOf(const AccountRecord& account) {
    return {account.host, account.user, account.protocol == 1 ? "imap" : "pop3",
            portNumber(account.port), keyringDirectory};
}

SecretKey keyringKeyOf(const NewAccount& account) {
    return {account.host, account.user, account.imap ? "imap" : "pop3", portNumber(account.port),
            keyringDirectory};
}

std::string keyringLabelOf(const AccountRecord& account) {
    return "Ombrix: " + account.name;
}

int accountsWithKey(const SecretKey& key) {
    int count = 0;
    for (int slot = 0; slot < usedSlots(); ++slot)
        count += sameAccount(accounts[static_cast<std::size_t>(slot)], key) ? 1 : 0;
    return count;
}

std::optional<SecretKey> accountChanged(AccountRecord& account, const SecretKey& before,
                                        const std::string& passwordBefore) {
    const bool keyChanged = !sameAccount(account, before);
    if (!keyChanged && account.password == passwordBefore)
        return std::nullopt;
    // Not fetched yet, and not typed anew: the password is in the item of
    // the key before (or of the one before that), for the next fetch.
    if (keyChanged && passwordBefore.empty() && account.password.empty() &&
        account.passwordInKeyring == 0 && !signsInWithOAuth(account)) {
        if (!account.passwordItemBefore)
            account.passwordItemBefore = before;
        return std::nullopt;
    }
    account.passwordItemBefore.reset();
    const bool wasInKeyring = account.passwordInKeyring != 0;
    account.passwordInKeyring = 0;
    // With the flag gone nothing would remember that the item exists. Under
    // an unchanged key the next settle replaces it; where the keyring cannot
    // be had then, the old password stays in it all the same.
    if (wasInKeyring)
        return before;
    return std::nullopt;
}

bool KeyringEntries::keeps(const SecretKey& key) const {
    return std::any_of(kept.begin(), kept.end(),
                       [&key](const SecretKey& other) { return sameKey(key, other); });
}

bool KeyringEntries::namesForRemoval(const SecretKey& key) const {
    return std::any_of(removals.begin(), removals.end(),
                       [&key](const SecretKey& other) { return sameKey(key, other); });
}

bool awaitsKeyring(const AccountRecord& account, const KeyringEntries& entries) {
    // An OAuth sign-in has no password: its refresh token has an item of its own.
    if (!account.password.empty() || signsInWithOAuth(account))
        return false;
    // Edited before its password came: the mark moved with it, or it had none.
    if (account.passwordItemBefore)
        return true;
    // Unmarked, the old way: with passwordStore=file nothing was ever fetched.
    return entries.marked ? entries.keeps(keyringKeyOf(account)) : keyringChosen.load();
}

int accountsAwaitingKeyring(const KeyringEntries& entries) {
    int count = 0;
    for (int slot = 0; slot < usedSlots(); ++slot)
        count += awaitsKeyring(accounts[static_cast<std::size_t>(slot)], entries) ? 1 : 0;
    return count;
}

std::vector<PasswordJob> passwordJobs(bool fetchOnly, const KeyringEntries& entries) {
    if (!keyringChosen)
        return passwordsToReturn(entries);
    std::vector<PasswordJob> jobs;
    for (int slot = 0; slot < usedSlots(); ++slot) {
        const AccountRecord& account = accounts[static_cast<std::size_t>(slot)];
        if (signsInWithOAuth(account))
            continue; // no password: its refresh token has a keyring item of its own
        const bool fetch = account.password.empty();
        if (fetch ? !awaitsKeyring(account, entries) : fetchOnly)
            continue; // an empty password, or one to leave where it is for now
        if (!fetch &&
            (account.passwordInKeyring != 0 || accountsWithKey(keyringKeyOf(account)) > 1))
            continue;
        const SecretKey key = keyringKeyOf(account);
        jobs.push_back({slot, key, keyringLabelOf(account),
                        fetch ? std::string() : account.password, entries.namesForRemoval(key),
                        fetch ? account.passwordItemBefore : std::nullopt});
    }
    return jobs;
}

std::vector<PasswordJob> passwordsToReturn(const KeyringEntries& entries) {
    std::vector<PasswordJob> jobs;
    for (int slot = 0; slot < usedSlots(); ++slot) {
        const AccountRecord& account = accounts[static_cast<std::size_t>(slot)];
        if (!awaitsKeyring(account, entries))
            continue;
        const SecretKey key = keyringKeyOf(account);
        jobs.push_back({slot,
                        key,
                        keyringLabelOf(account),
                        {},
                        entries.namesForRemoval(key),
                        account.passwordItemBefore});
    }
    return jobs;
}

std::vector<SecretKey> takeReturnedPasswords(const std::vector<PasswordAnswer>& answers) {
    std::vector<SecretKey> returned;
    for (const PasswordAnswer& answer : answers) {
        if (answer.outcome != SecretOutcome::Done && answer.outcome != SecretOutcome::NotFound)
            noteTrouble(answer.outcome);
        if (!answer.inKeyring || answer.slot >= usedSlots())
            continue;
        AccountRecord& account = accounts[static_cast<std::size_t>(answer.slot)];
        if (!sameAccount(account, answer.key) || !account.password.empty())
            continue; // edited meanwhile: the editor's password is in obx.dat
        account.password = answer.password;
        account.passwordInKeyring = 0;
        account.passwordItemBefore.reset();
        returned.push_back(answer.key);
    }
    return returned;
}

// The edited account's password, from the item of its old key into one of
// its new key; the old item stays where it is (another account may still
// stand on it).
PasswordAnswer fetchFromItemBefore(const PasswordJob& job) {
    PasswordAnswer answer{job.slot, job.key, SecretOutcome::Failed, false, {}};
    const SecretLookup before = lookupOwnSecret(*job.itemBefore, job.label);
    answer.outcome = before.outcome;
    if (before.outcome != SecretOutcome::Done)
        return answer;
    PasswordJob move = job;
    move.password = before.password;
    move.itemBefore.reset();
    return settlePassword(move);
}

PasswordAnswer settlePassword(const PasswordJob& job) {
    PasswordAnswer answer{job.slot, job.key, SecretOutcome::Failed, false, {}};
    if (job.password.empty() && job.itemBefore)
        return fetchFromItemBefore(job);
    if (job.password.empty() && job.removalPending) {
        answer.outcome = SecretOutcome::NotFound; // not to be taken, nor its removal dropped
        return answer;
    }
    if (!job.password.empty()) {
        answer.outcome = storeSecret(job.key, job.label, job.password);
        if (answer.outcome != SecretOutcome::Done)
            return answer;
    }
    // A password just stored is read back from this directory's own item.
    const SecretLookup found =
        job.password.empty() ? lookupOwnSecret(job.key, job.label) : lookupSecret(job.key);
    answer.outcome = found.outcome;
    if (found.outcome != SecretOutcome::Done)
        return answer;
    if (!job.password.empty() && found.password != job.password) {
        // The keyring kept something else: the file keeps the password.
        answer.outcome = SecretOutcome::Failed;
        return answer;
    }
    answer.inKeyring = true;
    answer.password = found.password;
    return answer;
}

std::vector<PasswordAnswer> settlePasswords(const std::vector<PasswordJob>& jobs,
                                            const KeyringWait& wait) {
    std::vector<PasswordAnswer> answers;
    answers.reserve(jobs.size());
    const SecretOutcome gate = jobs.empty() ? SecretOutcome::Done : keyringGate().open(wait);
    for (const PasswordJob& job : jobs)
        answers.push_back(gate == SecretOutcome::Done
                              ? settlePassword(job)
                              : PasswordAnswer{job.slot, job.key, gate, false, {}});
    return answers;
}

bool applyPasswordAnswers(const std::vector<PasswordAnswer>& answers) {
    bool changed = false;
    for (const PasswordAnswer& answer : answers) {
        if (answer.outcome != SecretOutcome::Done && answer.outcome != SecretOutcome::NotFound)
            noteTrouble(answer.outcome);
        if (answer.slot >= usedSlots())
            continue;
        AccountRecord& account = accounts[static_cast<std::size_t>(answer.slot)];
        if (!answer.inKeyring || !sameAccount(account, answer.key))
            continue;
        if (account.password.empty())
            account.password = answer.password;
        account.passwordItemBefore.reset();
        if (account.password != answer.password)
            continue; // edited meanwhile: the editor stores it itself
        changed = changed || account.passwordInKeyring == 0;
        account.passwordInKeyring = 1;
    }
    return changed;
}

bool clearKeyringRefusals(const std::vector<PasswordAnswer>& answers) {
    bool cleared = false;
    for (const PasswordAnswer& answer : answers) {
        if (!answer.inKeyring || answer.slot >= usedSlots())
            continue;
        AccountRecord& account = accounts[static_cast<std::size_t>(answer.slot)];
        if (account.errorFlag != 1 || !sameAccount(account, answer.key) ||
            account.password != answer.password)
            continue;
        if (account.errorText != keyring_texts::passwordLocked() &&
            account.errorText != keyring_texts::passwordNoService())
            continue;
        account.errorFlag = 0;
        account.errorText.clear();
        cleared = true;
    }
    return cleared;
}

std::vector<PasswordAnswer> fetchRunPasswords(const KeyringWait& wait,
                                              const KeyringEntries& entries) {
    std::vector<PasswordJob> jobs;
    {
        const CommitBracket bracket;
        jobs = passwordJobs(true, entries);
    }
    std::vector<PasswordAnswer> answers = settlePasswords(jobs, wait);
    const CommitBracket bracket;
    applyPasswordAnswers(answers);
    return answers;
}

std::optional<std::string> runPasswordRefusal(const std::vector<PasswordAnswer>& answers,
                                              int slot) {
    for (const PasswordAnswer& answer : answers)
        if (answer.slot == slot)
            return keyringFailureText(answer);
    return std::nullopt;
}

std::optional<std::string> keyringFailureText(const PasswordAnswer& answer) {
    switch (answer.outcome) {
    case SecretOutcome::Done:
        return std::nullopt;
    case SecretOutcome::NotFound:
        return keyring_texts::passwordMissing();
    case SecretOutcome::Locked:
        return keyring_texts::passwordLocked();
    case SecretOutcome::NoService:
        return keyring_texts::passwordNoService();
    case SecretOutcome::Failed:
        break;
    }
    return keyring_texts::passwordFailed();
}

std::string keyringNotice() {
    switch (static_cast<SecretOutcome>(noticeOutcome.load())) {
    case SecretOutcome::NoService:
        return keyring_texts::serviceMissing();
    case SecretOutcome::Locked:
        return keyring_texts::keyringLocked();
    case SecretOutcome::Failed:
        return keyring_texts::keyringFailed();
    case SecretOutcome::Done:
    case SecretOutcome::NotFound:
        break;
    }
    return {};
}

void clearKeyringNotice() {
    noticeOutcome = kNoNotice;
}

} // namespace ombrix
