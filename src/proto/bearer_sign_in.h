#pragma once
// The sign-in of an OAuth account, the same for POP3 and IMAP: the token
// comes from the process's access-token source; a sign-in the server refuses is
// tried once more with a refreshed token (once per login, never in a loop),
// and a second refusal asks the user to sign in again. A token's expiry is only
// the program's guess: after a suspend, a revocation or a clock change the
// server knows better, and some servers refuse with a bare NO.

#include "core/access_tokens.h"
#include "proto/login_result.h"

#include <functional>
#include <string>

namespace ombrix {

// One sign-in with one token, from the connect on.
struct BearerAttempt {
    LoginResult result;
    // The server refused the sign-in (a failure challenge, a NO or -ERR)
    // without blaming itself: a fresh token may pass where this one did not.
    bool tokenRefused = false;
};

// Connects anew (closing what the last attempt left open) and signs in with
// the token. Runs on the worker thread.
using BearerExchange = std::function<BearerAttempt(const std::string& token)>;

// A token with a byte that no bearer token holds is never sent; it counts as
// refused. The source's SignInExpired and Failed end the sign-in with their
// texts before any connect; its Aborted ends it as Aborted. `stop` is the
// connection's abort flag: it ends a refresh as it ends a read. Runs on the
// worker thread.
LoginResult signInWithToken(const TokenAccount& account, const BearerExchange& exchange,
                            const SharedFlag& stop);

} // namespace ombrix
