#pragma once
// Passwords in the desktop keyring through the Secret Service (libsecret):
// one item per account under the schema "org.ombrix.Account", found again by
// its host, user, protocol, port and the program directory whose item it is. The calls wait for the
// keyring's answer (and for the user when the keyring asks to be unlocked), so they belong on a
// worker thread or in a process without a window, never on the window thread.

#include <string>
#include <string_view>

namespace ombrix {

struct SecretKey {
    std::string host;
    std::string user;
    std::string protocol; // "pop3" or "imap"
    int port = 0;
    // The program directory the item belongs to. Empty: an item that names
    // none, as earlier versions stored them; only such items are meant then,
    // never one of any directory.
    std::string directory = {};
};

enum class SecretOutcome {
    Done,      // stored, found or cleared
    NotFound,  // the keyring answered and holds no such item
    NoService, // no session bus, or no Secret Service on it
    Locked,    // the keyring stayed locked (the user did not unlock it)
    Failed,    // any other error of the keyring
};

struct SecretLookup {
    SecretOutcome outcome = SecretOutcome::Failed;
    std::string password; // only with Done
};

// Creates or replaces the item; the label is what keyring managers show. An
// item without a directory is stored for tests only: the keyring replaces
// whichever item has the attributes given, and it may be any directory's.
SecretOutcome storeSecret(const SecretKey& key, std::string_view label, std::string_view password);
SecretLookup lookupSecret(const SecretKey& key);
// Removes the item; a missing item gives NotFound.
SecretOutcome clearSecret(const SecretKey& key);

// The keyring's default collection as it stands, read without asking the
// user anything: Open also when there is no collection yet (the first store
// makes it), NoService without a session bus or Secret Service.
enum class KeyringLock { Open, Locked, NoService };
KeyringLock keyringLockState();
// Asks the keyring to unlock its default collection, which shows the user
// its unlock prompt, and waits for the answer: Done once unlocked, Locked
// when the prompt was dismissed (or none could be shown).
SecretOutcome unlockKeyring();

// The program is ending: the call in progress on any thread, and every later
// one, comes back at once as Locked (nothing stored, nothing lost). For good.
void cancelSecretCalls();

const char* secretOutcomeName(SecretOutcome outcome);

} // namespace ombrix
