#pragma once
// The keyring items of deleted accounts that are still to be removed. The
// user believes such a password gone, so a removal the keyring did not carry
// out (locked, absent, failing, or the program ended first) is kept in
// ombrix.conf, one key per item:
//     keyringRemoval/pop3/995/pop.example.org/me=pending
// and tried again once the keyring answers, until it has removed the item or
// says it holds none.

#include "config/program_conf.h"
#include "core/password_keyring.h"
#include "platform/secret_store.h"

#include <vector>

namespace ombrix {

inline constexpr const char* kConfKeyringRemoval = "keyringRemoval";

// Names the item for removal and saves ombrix.conf before it returns, so
// that nothing the program does later (or fails to do) can lose it.
void noteKeyringRemoval(const SecretKey& key);
std::vector<SecretKey> pendingKeyringRemovals(const ProgramConf& conf);

// Removes the named items. One whose account exists again (the same server,
// user, protocol and port, with a password) is left alone and no longer
// named. An item the keyring fails to remove stays named; a keyring that is
// locked or absent ends the attempt, the rest wait for the next one. Waits
// for the keyring: never on the window thread. Nothing with
// passwordStore=file.
void removePendingKeyringItems();
// The same after the passwords were settled, unless every answer said the
// keyring cannot be had: an unlock the user has just refused is not asked
// for again at once.
void removePendingKeyringItemsAfter(const std::vector<PasswordAnswer>& answers);

} // namespace ombrix
