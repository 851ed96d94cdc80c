#pragma once
// The keyring items still to be removed: a deleted account's password, the
// old password of an edited account, a refresh token no account signs in
// with any more. The user believes such a secret gone, so a removal the
// keyring did not carry out (locked, absent, failing, or the program ended
// first) is kept in ombrix.conf, one key per item:
//     keyringRemoval/pop3/995/pop.example.org/me=pending
// and tried again once the keyring answers, until it has removed the item or
// says it holds none. The items named are this directory's own; an item that
// names no directory (an earlier version's) is never removed: other
// directories may still stand on it.

#include "config/conf_keys.h"
#include "config/program_conf.h"
#include "core/password_keyring.h"
#include "platform/secret_store.h"

#include <vector>

namespace ombrix {

// Names the item for removal and saves ombrix.conf before it returns, so
// that nothing the program does later (or fails to do) can lose it.
void noteKeyringRemoval(const SecretKey& key);
std::vector<SecretKey> pendingKeyringRemovals(const ProgramConf& conf);

// True while ombrix.conf names the item for removal.
bool keyringRemovalNamed(const SecretKey& key);
// A sign-in about to store its refresh token under `key`: the token is the
// new account's, so an older removal of that item is dropped; one in
// progress is waited for. Before the store, on the storing thread.
void withdrawKeyringRemoval(const SecretKey& key);

// Removes the named items. One that is an account's own again (the same
// server, user, protocol and port, its password in the keyring, or signed in
// with OAuth for a refresh token) is left alone and no longer named; one that
// accounts stand on with their passwords in obx.dat is an older password and
// goes. An item the keyring fails to remove stays named; a keyring that is
// locked or absent ends the attempt, the rest wait for the next one. Waits
// for the keyring: never on the window thread. Nothing with
// passwordStore=file.
void removePendingKeyringItems();
// The same for the one item, if it is named.
void removeNamedKeyringItem(const SecretKey& key);
// The same after the passwords were settled (an item the settle stored or
// fetched is no longer named), unless every answer said the keyring cannot
// be had: an unlock the user has just refused is not asked for again at once.
void removePendingKeyringItemsAfter(const std::vector<PasswordAnswer>& answers);

} // namespace ombrix
