#pragma once
// Which accounts keep their passwords in the keyring, in ombrix.conf, one key
// per account (named as config/account_conf_key.h names it):
//     keyringPassword/imap/993/imap.example.org/anna=yes
// An empty password in obx.dat is an empty password unless its account is
// marked so. A directory an earlier version left has no marks: there, until
// the keyring has answered for every empty password once, each may be in the
// keyring, and each found there is marked then;
//     keyringPasswordsMarked=yes
// says that this is done.

#include "config/conf_keys.h"
#include "config/program_conf.h"
#include "core/password_keyring.h"

#include <system_error>
#include <vector>

namespace ombrix {

// The marks and the removals named, with this directory's items.
KeyringEntries keyringEntriesOf(const ProgramConf& conf);

// A settle's answers: the passwords now in the keyring are marked. Before
// obx.dat is saved without them, by whoever holds the directory.
void markKeptPasswords(const std::vector<PasswordAnswer>& answers);
// Their passwords are in obx.dat now (saved): no longer marked.
void forgetKeptPasswords(const std::vector<SecretKey>& keys);

// What the account commands do with the marks, the table already changed
// and obx.dat saved (the caller holds the table): an edited account still
// waiting for its password takes the mark to its new name; the old name
// keeps it while an account there still has its password in the keyring.
std::error_code keptPasswordFollowsEdit(const SecretKey& before, const AccountRecord& edited);
std::error_code keptPasswordFollowsDeletion(const SecretKey& deleted);

} // namespace ombrix
