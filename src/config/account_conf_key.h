#pragma once
// Keys of ombrix.conf that name an account by its server, user, protocol and
// port, as the keyring names it:
//     FIELD/protocol/port/host/user
// with every byte of protocol, host and user outside [A-Za-z0-9._@+-]
// written as %XX, so that no '=', blank, '/' or line end can break the line.

#include "platform/secret_store.h"

#include <optional>
#include <string>
#include <string_view>

namespace ombrix {

std::string accountConfKey(std::string_view field, const SecretKey& account);
// The account a key of `field` names; nothing for a key of another field or
// one that no accountConfKey() could have written.
std::optional<SecretKey> accountOfConfKey(std::string_view field, std::string_view key);

} // namespace ombrix
