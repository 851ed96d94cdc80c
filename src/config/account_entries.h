#pragma once
// Per-account entries of ombrix.conf (see config/account_conf_key.h) that
// follow the account table: an edit that gives an account another server,
// user, protocol or port, and the deletion of the last account of a name.

#include "platform/secret_store.h"

#include <initializer_list>
#include <string_view>
#include <system_error>

namespace ombrix {

enum class OnRename {
    Carry, // a choice of the user's: it goes with the account to its new name
    Drop,  // a fact about the old mailbox (UIDs, modseq): it means nothing there
};

// The entries of `fields` under `before` move to `after` (replacing what
// `after` had) or, dropped, just go; `after`'s own are never dropped.
// Another account still named `before` keeps them there. An account that joins another's name and
// brings no entries takes that name's. The caller holds the table.
std::error_code entriesFollowEdit(std::initializer_list<std::string_view> fields,
                                  const SecretKey& before, const SecretKey& after, OnRename rule);
// The entries go once no account of the table goes by the name.
std::error_code entriesFollowDeletion(std::initializer_list<std::string_view> fields,
                                      const SecretKey& deleted);

} // namespace ombrix
