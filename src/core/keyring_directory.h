#pragma once
// Keyring items per program directory. Two directories with the same account
// (`--dir` can point anywhere) would otherwise share one item, and deleting
// the account in one would destroy the other's password. Earlier versions
// stored items that name no directory; a directory that finds none of its
// own copies such an item and leaves it where it is: no directory can tell
// which others still stand on it.

#include "platform/secret_store.h"

#include <string>
#include <string_view>

namespace ombrix {

// The program directory, canonical, whose items the account passwords and
// refresh tokens are; set at start-up with keyringChosen. Empty: the items
// that name no directory (tests of those).
inline std::string keyringDirectory;

// `directory` as keyringDirectory holds it: absolute, links resolved, so
// that every way of naming it finds the same items.
std::string canonicalKeyringDirectory(const std::string& directory);

// The item of this directory under `key`; where there is none, the one under
// the same key that names no directory, copied into one of this directory's
// own (`label` for it). The old item stays.
SecretLookup lookupOwnSecret(const SecretKey& key, std::string_view label);

} // namespace ombrix
