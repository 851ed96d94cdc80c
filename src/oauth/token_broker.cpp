#include "oauth/token_broker.h"

#include "config/keyring_removals.h"
#include "config/oauth_sign_ins.h"
#include "config/program_conf.h"
#include "core/keyring_texts.h"
#include "core/password_keyring.h"
#include "oauth/oauth_texts.h"
#include "oauth/providers.h"
#include "oauth/refresh_tokens.h"

#include <chrono>

namespace ombrix::oauth {
namespace {

std::string entryKey(const TokenAccount& account) {
    // NUL cannot occur in any field of an account (control characters are refused).
    return account.provider + '\0' + account.protocol + '\0' + std::to_string(account.port) + '\0' +
           account.host + '\0' + account.user;
}

AccessTokenAnswer answer(TokenStatus status, std::string token, std::string errorText) {
    return {status, std::move(token), std::move(errorText)};
}

bool stopped(const SharedFlag* stop) {
    return stop && *stop != 0;
}

AccessTokenAnswer aborted() {
    return answer(TokenStatus::Aborted, {}, oauth_texts::signInAborted());
}

// Another run's refresh of the same account may wait for the network for
// half a minute: an Abort must not wait with it.
// How often a thread waiting for another's refresh looks at its stop flag.
constexpr std::chrono::milliseconds kStopLook{200};

std::string keyringTrouble(SecretOutcome outcome) {
    switch (outcome) {
    case SecretOutcome::Locked:
        return keyring_texts::passwordLocked();
    case SecretOutcome::NoService:
        return keyring_texts::passwordNoService();
    default:
        return keyring_texts::passwordFailed();
    }
}

// A refresh token stored for the account, that is: it was signed in once.
std::string labelOf(const TokenAccount& account) {
    return refreshTokenLabel(account);
}

} // namespace

TokenBroker::TokenBroker(WallClock clock, HttpLimits limits)
    : clock_(clock ? std::move(clock) : WallClock(std::chrono::system_clock::now)),
      limits_(limits) {}

std::shared_ptr<TokenBroker::Entry> TokenBroker::entryFor(const TokenAccount& account) {
    const std::lock_guard lock(entriesMutex_);
    std::shared_ptr<Entry>& entry = entries_[entryKey(account)];
    if (!entry)
        entry = std::make_shared<Entry>();
    return entry;
}

bool TokenBroker::fresh(const Entry& entry) const {
    return !entry.token.empty() &&
           clock_() + std::chrono::seconds(kRenewAheadSeconds) < entry.expiresAt;
}

void TokenBroker::keep(Entry& entry, const TokenGrant& grant) {
    const std::lock_guard lock(entriesMutex_);
    entry.token = grant.accessToken;
    // A token without a stated lifetime is taken for an hour, the usual one;
    // a lifetime past the clock's range ends at the range's end.
    using Clock = std::chrono::system_clock;
    const std::chrono::seconds lifetime(grant.expiresIn > 0 ? grant.expiresIn : 3600);
    const Clock::time_point now = clock_();
    const auto left =
        std::chrono::duration_cast<std::chrono::seconds>(Clock::time_point::max() - now);
    entry.expiresAt = lifetime >= left
                          ? Clock::time_point::max()
                          : now + std::chrono::duration_cast<Clock::duration>(lifetime);
    ++entry.generation;
}

// A plain flag under the entries' lock rather than a timed mutex: the wait
// must look at the stop flag, and ThreadSanitizer cannot follow a timed
// lock's clock-based wait.
bool TokenBroker::takeTurn(Entry& entry, const SharedFlag* stop) {
    std::unique_lock lock(entriesMutex_);
    while (entry.turnTaken) {
        if (stopped(stop))
            return false;
        turnGivenBack_.wait_for(lock, kStopLook);
    }
    entry.turnTaken = true;
    return true;
}

void TokenBroker::giveTurnBack(Entry& entry) {
    {
        const std::lock_guard lock(entriesMutex_);
        entry.turnTaken = false;
    }
    turnGivenBack_.notify_all();
}

AccessTokenAnswer TokenBroker::accessToken(const TokenAccount& account, bool refresh,
                                           const SharedFlag* stop) {
    HttpLimits limits = limits_;
    if (stop)
        limits.stop = stop;
    const std::shared_ptr<Entry> entry = entryFor(account);
    std::uint64_t seen = 0;
    {
        const std::lock_guard lock(entriesMutex_);
        if (!refresh && fresh(*entry))
            return answer(TokenStatus::Ready, entry->token, {});
        seen = entry->generation;
    }
    if (!takeTurn(*entry, limits.stop))
        return aborted();
    const Turn turn(*this, *entry);
    {
        // Another thread refreshed while this one waited: its token is new.
        const std::lock_guard lock(entriesMutex_);
        if (entry->generation != seen && !entry->token.empty())
            return answer(TokenStatus::Ready, entry->token, {});
    }
    return refreshed(account, *entry, limits);
}

// Holds the account's turn.
AccessTokenAnswer TokenBroker::refreshed(const TokenAccount& account, Entry& entry,
                                         const HttpLimits& limits) {
    const SecretKey key{account.host, account.user, account.protocol, account.port};
    const ProgramConf conf = readProgramConf();
    const std::optional<OAuthSignIn> signIn = oauthSignInOf(conf, key);
    const ProviderLookup provider = providerSettings(
        signIn ? *signIn : OAuthSignIn{account.provider, {}}, account.protocol, conf);
    if (!provider.settings)
        return answer(TokenStatus::Failed, {}, provider.failure);
    const StoredRefreshToken stored = loadRefreshToken(account);
    if (stored.outcome == SecretOutcome::NotFound)
        return answer(TokenStatus::SignInExpired, {}, signInExpiredText());
    if (stored.outcome != SecretOutcome::Done)
        return answer(TokenStatus::Failed, {}, keyringTrouble(stored.outcome));
    const TokenReply reply = refreshAccess(*provider.settings, stored.token, limits);
    switch (reply.outcome) {
    case TokenOutcome::Granted:
        break;
    case TokenOutcome::Failed:
        if (stopped(limits.stop))
            return aborted();
        return answer(TokenStatus::Failed, {}, oauth_texts::tokenEndpointFailed(reply.reason));
    case TokenOutcome::InvalidGrant:
        return answer(TokenStatus::SignInExpired, {}, signInExpiredText());
    default:
        return answer(TokenStatus::Failed, {}, oauth_texts::tokenEndpointRefused(reply.reason));
    }
    // A rotated refresh token replaces the old one, which the provider no
    // longer takes: kept before the access token is handed out.
    if (!reply.grant.refreshToken.empty() && reply.grant.refreshToken != stored.token)
        storeRefreshToken(account, labelOf(account), reply.grant.refreshToken);
    keep(entry, reply.grant);
    return answer(TokenStatus::Ready, reply.grant.accessToken, {});
}

bool TokenBroker::signedIn(const TokenAccount& account, const std::string& label,
                           const TokenGrant& grant) {
    const std::shared_ptr<Entry> entry = entryFor(account);
    takeTurn(*entry, nullptr);
    const Turn turn(*this, *entry);
    // The account is not in the table yet: a removal named for an earlier
    // sign-in under the same key would take the new token for the old one.
    if (keyringChosen && !grant.refreshToken.empty())
        withdrawKeyringRemoval(refreshTokenKey(account));
    const bool kept =
        grant.refreshToken.empty() ||
        storeRefreshToken(account, label.empty() ? labelOf(account) : label, grant.refreshToken);
    keep(*entry, grant);
    return kept;
}

void TokenBroker::forget(const TokenAccount& account) {
    const std::shared_ptr<Entry> entry = entryFor(account);
    takeTurn(*entry, nullptr);
    const Turn turn(*this, *entry);
    forgetRefreshToken(account);
    const std::lock_guard lock(entriesMutex_);
    entries_.erase(entryKey(account));
}

TokenBroker& processTokenBroker() {
    static TokenBroker broker;
    return broker;
}

AccessTokenSource makeOAuthTokenSource() {
    TokenBroker& broker = processTokenBroker();
    return [&broker](const TokenAccount& account, bool refresh, const SharedFlag* stop) {
        return broker.accessToken(account, refresh, stop);
    };
}

} // namespace ombrix::oauth
