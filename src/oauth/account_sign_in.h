#pragma once
// What every front end does around an account's sign-in: keep the tokens it
// brought, name the provider in ombrix.conf and in the account's slot, and
// drop all of it again once no account signs in that way any more.

#include "config/oauth_sign_ins.h"
#include "core/access_tokens.h"
#include "oauth/token_endpoint.h"

#include <optional>
#include <string>
#include <system_error>

namespace ombrix::oauth {

// The refresh token into the keyring (or ombrix.conf), the access token into
// memory. False when the refresh token could be kept nowhere. Waits for the
// keyring: never on the window thread.
bool keepSignIn(const TokenAccount& account, const std::string& accountName,
                const TokenGrant& grant);

// The slot of a signed-in account: its provider, no password of its own
// (the provider signs the user in), and ombrix.conf naming the provider.
std::error_code recordSignIn(AccountRecord& record, const OAuthSignIn& signIn);

// The sign-in an account had before an edit or a deletion, when no account of
// the table signs in with OAuth under its server, user, protocol and port
// any more; nothing for an account that had none.
std::optional<TokenAccount> abandonedSignIn(const TokenAccount& before);

// A password account about to take `key`: an old sign-in under the same key
// that no account uses would make it an OAuth account at the next start.
void forgetStaleSignIn(const SecretKey& key);

// Its entries in ombrix.conf, at once (the caller's thread).
void forgetSignInSettings(const TokenAccount& account);
// Those entries, the refresh token in the keyring or in ombrix.conf, and the
// access token in memory. Waits for the keyring: never on the window thread.
void forgetSignIn(const TokenAccount& account);

} // namespace ombrix::oauth
