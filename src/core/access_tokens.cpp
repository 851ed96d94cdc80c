#include "core/access_tokens.h"

#include "core/language.h"
#include "core/password_keyring.h"

#include <mutex>

namespace ombrix {

namespace {

std::mutex sourceMutex;
AccessTokenSource registeredSource;

} // namespace

TokenAccount tokenAccountOf(const AccountRecord& account) {
    const SecretKey key = keyringKeyOf(account);
    return {account.oauthProvider, key.host, key.user, key.protocol, key.port};
}

std::string signInExpiredText() {
    return Text("Anmeldung abgelaufen, bitte erneut anmelden",
                "sign-in expired, please sign in again");
}

bool signsInWithOAuth(const AccountRecord& account) {
    return !account.oauthProvider.empty();
}

void setAccessTokenSource(AccessTokenSource source) {
    const std::lock_guard lock(sourceMutex);
    registeredSource = std::move(source);
}

AccessTokenAnswer accessTokenFor(const TokenAccount& account, bool refresh,
                                 const SharedFlag* stop) {
    AccessTokenSource source;
    {
        const std::lock_guard lock(sourceMutex);
        source = registeredSource;
    }
    // Asked outside the lock: a refresh may take seconds, and other accounts'
    // runs must not queue behind it.
    if (!source)
        return {TokenStatus::Failed, {}, "no OAuth sign-in available"};
    return source(account, refresh, stop);
}

} // namespace ombrix
