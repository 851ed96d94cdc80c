#pragma once
// The access tokens of the OAuth accounts: kept in memory only, each with its
// expiry, and fetched anew with the refresh token a minute before it runs
// out or when a server refused it. Thread-safe: runs and watchers of several
// accounts ask at once, and for one account one refresh runs at a time; the
// others wait for it and take its token.

#include "core/access_tokens.h"
#include "oauth/http_client.h"
#include "oauth/token_endpoint.h"

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>

namespace ombrix::oauth {

// A token is renewed when less than this is left of it.
inline constexpr std::int64_t kRenewAheadSeconds = 60;

class TokenBroker {
public:
    // `nowSeconds` is a steady clock in seconds (tests pass their own).
    explicit TokenBroker(std::function<std::int64_t()> nowSeconds = {}, HttpLimits limits = {});

    // The AccessTokenSource: any thread; waits for the keyring and the token
    // endpoint, never for the user.
    AccessTokenAnswer accessToken(const TokenAccount& account, bool refresh);

    // After a sign-in: the refresh token into the keyring (or ombrix.conf)
    // and the access token into memory. False when the refresh token could
    // not be kept anywhere.
    bool signedIn(const TokenAccount& account, const std::string& label, const TokenGrant& grant);
    // The account signs in with a password again, or is gone.
    void forget(const TokenAccount& account);

private:
    struct Entry {
        std::mutex refreshing; // one refresh per account at a time
        std::string token;
        std::int64_t expiresAt = 0;
        std::uint64_t generation = 0; // counts the tokens this entry held
    };

    std::shared_ptr<Entry> entryFor(const TokenAccount& account);
    AccessTokenAnswer refreshed(const TokenAccount& account, Entry& entry);
    void keep(Entry& entry, const TokenGrant& grant);
    bool fresh(const Entry& entry) const;

    std::function<std::int64_t()> nowSeconds_;
    HttpLimits limits_;
    std::mutex entriesMutex_; // guards the map and every entry's token fields
    std::map<std::string, std::shared_ptr<Entry>> entries_;
};

// The process's broker, made on first use.
TokenBroker& processTokenBroker();
// The source the front ends register with setAccessTokenSource().
AccessTokenSource makeOAuthTokenSource();

} // namespace ombrix::oauth
