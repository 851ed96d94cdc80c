#pragma once
// Which account passwords live in the desktop keyring. With passwordStore=auto
// in ombrix.conf an account's password moves from obx.dat into the keyring
// once the keyring has stored it and given it back; obx.dat then keeps an
// empty password field. Where the keyring does not answer, is locked or
// fails, the password stays in obx.dat and keyringNotice() says so.
//
// The keyring calls wait for the keyring (and for the user, who may be asked
// to unlock it), so the work is split in three: take the jobs under the
// table's lock, settle them without any lock and never on the window thread,
// apply the answers under the lock again.

#include "core/account_rules.h"
#include "core/account_table.h"
#include "core/keyring_gate.h"
#include "platform/secret_store.h"

#include <atomic>
#include <optional>
#include <string>
#include <vector>

namespace ombrix {

// Set at start-up from ombrix.conf: passwordStore is not "file".
inline std::atomic<bool> keyringChosen{false};

SecretKey keyringKeyOf(const AccountRecord& account);
// The same for an account about to be added.
SecretKey keyringKeyOf(const NewAccount& account);
std::string keyringLabelOf(const AccountRecord& account);

// How many accounts in use would share the keyring item of `key`. Accounts
// that share one keep their passwords in obx.dat: one item cannot hold two.
int accountsWithKey(const SecretKey& key);

// After an account's password, server, user, port or protocol changed (the
// editor): its password goes back to obx.dat until the keyring has the new
// one. The old item, if the account had one, is to be named for removal;
// whether another account's password is in it is the removal's to judge.
std::optional<SecretKey> accountChanged(AccountRecord& account, const SecretKey& before,
                                        const std::string& passwordBefore);

// What ombrix.conf says of the keyring's items (config/keyring_marks.h).
struct KeyringEntries {
    std::vector<SecretKey> removals; // items named for removal
    std::vector<SecretKey> kept;     // accounts whose passwords the keyring keeps
    // False in a directory an earlier version left, which marked none: any
    // empty password there may be in the keyring.
    bool marked = false;

    bool keeps(const SecretKey& key) const;
    bool namesForRemoval(const SecretKey& key) const;
};

// The account's password is to come from the keyring: obx.dat holds none
// for it, and it is marked as kept there. An empty password without the mark
// is an empty password (with passwordStore=auto in an unmarked directory,
// any empty one may be in the keyring still).
bool awaitsKeyring(const AccountRecord& account, const KeyringEntries& entries);
// How many accounts await their passwords from the keyring still (not in
// memory). The caller holds the table.
int accountsAwaitingKeyring(const KeyringEntries& entries);

struct PasswordJob {
    int slot = 0;
    SecretKey key;
    std::string label;
    std::string password; // to move into the keyring; empty: fetch it
    // The item is named for removal (ombrix.conf): what it holds is a
    // deleted or edited account's, never this one's password.
    bool removalPending = false;
    // Fetch from this item instead, then store under `key` (an account
    // edited before its password came).
    std::optional<SecretKey> itemBefore;
};

struct PasswordAnswer {
    int slot = 0;
    SecretKey key;
    SecretOutcome outcome = SecretOutcome::Failed;
    bool inKeyring = false;
    std::string password; // the fetched one
};

// Every account the keyring has to settle: a password still in obx.dat moves,
// an account whose password is in the keyring but not in memory fetches it.
// `fetchOnly` leaves the moves out (a run about to start). With
// passwordStore=file nothing moves into the keyring; what is in it still is
// fetched. The caller holds the table.
std::vector<PasswordJob> passwordJobs(bool fetchOnly, const KeyringEntries& entries = {});

// With passwordStore=file: the accounts whose passwords are still only in
// the keyring, to fetch and keep in obx.dat. The caller holds the table.
std::vector<PasswordJob> passwordsToReturn(const KeyringEntries& entries);
// The fetched passwords into the accounts that still hold the same key, to
// be saved in obx.dat; the items they came from, to remove once it is
// saved. The caller holds the table.
std::vector<SecretKey> takeReturnedPasswords(const std::vector<PasswordAnswer>& answers);

// Store, then look up: the password counts as moved only when the keyring
// gives back exactly what it was given. Any thread but the window's. A
// locked keyring is unlocked once for all the jobs (keyringGate()), waiting
// as `wait` allows; while it stays locked no job asks the keyring.
PasswordAnswer settlePassword(const PasswordJob& job);
std::vector<PasswordAnswer> settlePasswords(const std::vector<PasswordJob>& jobs,
                                            const KeyringWait& wait = {});

// Writes the answers into the slots that still hold the same account (an
// account edited or removed meanwhile is left alone) and notes the first
// trouble for keyringNotice(). True when obx.dat has to be saved again. The
// caller holds the table.
bool applyPasswordAnswers(const std::vector<PasswordAnswer>& answers);

// The accounts whose last run failed for want of the keyring (locked, or
// none there) and whose passwords came with `answers`: that error is over.
// True when one changed. The caller holds the table.
bool clearKeyringRefusals(const std::vector<PasswordAnswer>& answers);

// A run's worker, before its first account: fetches the passwords that are
// in the keyring but not in memory (the table is taken only between the
// keyring calls). The answers tell which accounts have to fail instead.
// `wait`: the run's abort flag and reply time-out; `entries` as for
// passwordJobs().
std::vector<PasswordAnswer> fetchRunPasswords(const KeyringWait& wait,
                                              const KeyringEntries& entries);
// The errorText for the account in `slot` when its password did not come.
std::optional<std::string> runPasswordRefusal(const std::vector<PasswordAnswer>& answers, int slot);

// A text for the account's errorText when its password could not be had from
// the keyring; nothing when the answer brought it.
std::optional<std::string> keyringFailureText(const PasswordAnswer& answer);

// Why passwords stay in obx.dat, for the settings panel and the command line;
// empty while nothing went wrong.
std::string keyringNotice();
// Back to no notice (tests, a new program directory).
void clearKeyringNotice();

} // namespace ombrix
