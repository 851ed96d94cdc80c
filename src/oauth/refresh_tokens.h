#pragma once
// Where an account's refresh token is kept: the desktop keyring, in an item
// of its own beside the account's password item (protocol "imap-oauth" or
// "pop3-oauth"), and only where no keyring takes it, in ombrix.conf, with a
// warning the front end shows once. The calls wait for the keyring: never on
// the window thread.

#include "core/access_tokens.h"
#include "platform/secret_store.h"

#include <optional>
#include <string>

namespace ombrix::oauth {

SecretKey refreshTokenKey(const TokenAccount& account);
// What keyring managers show for the item.
std::string refreshTokenLabel(const TokenAccount& account);

struct StoredRefreshToken {
    SecretOutcome outcome = SecretOutcome::Failed; // Done: `token` holds it
    std::string token;
};

// The keyring first (unless passwordStore=file), then ombrix.conf.
StoredRefreshToken loadRefreshToken(const TokenAccount& account);
// Into the keyring, or into ombrix.conf where it does not take it; the
// copy in ombrix.conf is dropped once the keyring holds the token. False
// only when neither could keep it.
bool storeRefreshToken(const TokenAccount& account, const std::string& label,
                       const std::string& token);
// Both places; for an account that goes back to its password or is gone.
// A keyring item not removed now stays named in ombrix.conf for a later
// settle.
void forgetRefreshToken(const TokenAccount& account);

// The warning, the first time a refresh token went to ombrix.conf in this
// process; empty at every later call and while none went there.
std::string takeRefreshTokenNotice();
// Back to no warning given (tests).
void resetRefreshTokenNotice();

} // namespace ombrix::oauth
