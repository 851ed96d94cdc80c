#pragma once
// The access tokens of the OAuth accounts: kept in memory only, each with its
// expiry, and fetched anew with the refresh token a minute before it runs
// out or when a server refused it. Thread-safe: runs and watchers of several
// accounts ask at once, and for one account one refresh runs at a time; the
// others wait for it and take its token.

#include "core/access_tokens.h"
#include "oauth/http_client.h"
#include "oauth/token_endpoint.h"

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>

namespace ombrix::oauth {

// A token is renewed when less than this is left of it.
inline constexpr std::int64_t kRenewAheadSeconds = 60;

// The wall clock: a token's lifetime runs on while the machine sleeps, and
// a clock that stops in suspend would hand out tokens hours past their end.
using WallClock = std::function<std::chrono::system_clock::time_point()>;

class TokenBroker {
public:
    // Tests pass their own clock; the default is std::chrono::system_clock.
    explicit TokenBroker(WallClock clock = {}, HttpLimits limits = {});

    // The AccessTokenSource: any thread; waits for the keyring and the token
    // endpoint, never for the user. A set `stop` (else the limits' own) ends
    // the wait for the endpoint and for another thread's refresh, with Aborted.
    AccessTokenAnswer accessToken(const TokenAccount& account, bool refresh,
                                  const SharedFlag* stop = nullptr);

    // After a sign-in: the refresh token into the keyring (or ombrix.conf)
    // and the access token into memory. False when the refresh token could
    // not be kept anywhere.
    bool signedIn(const TokenAccount& account, const std::string& label, const TokenGrant& grant);
    // The account signs in with a password again, or is gone.
    void forget(const TokenAccount& account);

private:
    struct Entry {
        bool turnTaken = false; // one refresh, sign-in or forget at a time
        std::string token;
        std::chrono::system_clock::time_point expiresAt;
        std::uint64_t generation = 0; // counts the tokens this entry held
    };

    // The account's turn, held for the life of the object.
    class Turn {
    public:
        Turn(TokenBroker& broker, Entry& entry) : broker_(broker), entry_(entry) {}
        ~Turn() { broker_.giveTurnBack(entry_); }
        Turn(const Turn&) = delete;
        Turn& operator=(const Turn&) = delete;

    private:
        TokenBroker& broker_;
        Entry& entry_;
    };

    std::shared_ptr<Entry> entryFor(const TokenAccount& account);
    bool takeTurn(Entry& entry, const SharedFlag* stop);
    void giveTurnBack(Entry& entry);
    AccessTokenAnswer refreshed(const TokenAccount& account, Entry& entry,
                                const HttpLimits& limits);
    void keep(Entry& entry, const TokenGrant& grant);
    bool fresh(const Entry& entry) const;

    WallClock clock_;
    HttpLimits limits_;
    std::mutex entriesMutex_; // guards the map and every entry's fields
    std::condition_variable turnGivenBack_;
    std::map<std::string, std::shared_ptr<Entry>> entries_;
};

// The process's broker, made on first use.
TokenBroker& processTokenBroker();
// The source the front ends register with setAccessTokenSource().
AccessTokenSource makeOAuthTokenSource();

} // namespace ombrix::oauth
