#pragma once
// Accounts that sign in with OAuth 2.0 (SASL XOAUTH2 or OAUTHBEARER) instead
// of a password. The runs and watchers ask for an account's access token here;
// where tokens come from (the token endpoint, the refresh token in the
// keyring) is registered once at start-up by the front end, so the layers
// that log in never know about HTTP or browsers.

#include "core/account_table.h"
#include "core/run_flags.h"

#include <functional>
#include <string>

namespace ombrix {

// Who a token is for: the account's server, user and protocol, as the
// keyring and ombrix.conf name it.
struct TokenAccount {
    std::string provider; // AccountRecord::oauthProvider: "google", "microsoft", "custom"
    std::string host;
    std::string user;
    std::string protocol; // "pop3" or "imap"
    int port = 0;

    bool operator==(const TokenAccount&) const = default;
};

TokenAccount tokenAccountOf(const AccountRecord& account);
bool signsInWithOAuth(const AccountRecord& account);

// An OAuth account whose token the server refused twice, or whose refresh
// token is gone, revoked or refused: only a new sign-in helps.
std::string signInExpiredText();

enum class TokenStatus {
    Ready,         // `token` holds an access token
    SignInExpired, // the refresh token is gone, revoked or refused: sign in again
    Failed,        // the token endpoint could not be reached or answered nonsense
    Aborted,       // the caller's stop flag ended the wait
};

struct AccessTokenAnswer {
    TokenStatus status = TokenStatus::Failed;
    std::string token;
    std::string errorText; // for the account's errorText when not Ready
};

// `refresh` asks for a new token even when the one in memory has not expired
// yet (the server refused it). Called on worker threads; may wait for the
// network and the keyring, never for the user; a set `stop` (the run's
// abortRequest, a watcher's own flag) ends every such wait within about a
// second, with Aborted.
using AccessTokenSource =
    std::function<AccessTokenAnswer(const TokenAccount&, bool refresh, const SharedFlag* stop)>;

// Start-up, before any run or watcher: the one source of the process. Tests
// register their own.
void setAccessTokenSource(AccessTokenSource source);
// Without a registered source the answer is Failed.
AccessTokenAnswer accessTokenFor(const TokenAccount& account, bool refresh, const SharedFlag* stop);

} // namespace ombrix
