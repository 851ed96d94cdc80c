#include "oauth/sign_in.h"

#include "oauth/device_code.h"
#include "oauth/loopback_redirect.h"
#include "oauth/oauth_texts.h"
#include "oauth/pkce.h"
#include "oauth/url_text.h"
#include "platform/event.h"

#include <algorithm>
#include <chrono>
#include <thread>

namespace ombrix::oauth {
namespace {

constexpr std::int64_t kSlowDownSeconds = 5; // RFC 8628, section 3.5
// Polls in a row that met no answer (or a server in trouble) before the
// sign-in gives up: Wi-Fi that drops for a moment while the user types the
// code on a phone must not end it.
constexpr int kTransientPollFailures = 3;

SignInResult signInFailure(std::string failure, bool refused = false) {
    SignInResult result;
    result.refused = refused;
    result.failure = std::move(failure);
    return result;
}

SignInResult fromReply(const TokenReply& reply) {
    if (reply.outcome == TokenOutcome::Granted) {
        SignInResult result;
        result.ok = true;
        result.grant = reply.grant;
        return result;
    }
    if (reply.outcome == TokenOutcome::Failed)
        return signInFailure(oauth_texts::tokenEndpointFailed(reply.reason));
    return signInFailure(oauth_texts::tokenEndpointRefused(reply.reason), true);
}

} // namespace

std::string authorizationUrl(const ProviderSettings& provider, const std::string& redirectUri,
                             const std::string& state, const std::string& challenge,
                             const std::string& loginHint) {
    std::vector<std::pair<std::string, std::string>> fields{{"response_type", "code"},
                                                            {"client_id", provider.clientId},
                                                            {"redirect_uri", redirectUri},
                                                            {"scope", provider.scope},
                                                            {"state", state},
                                                            {"code_challenge", challenge},
                                                            {"code_challenge_method", "S256"}};
    if (!loginHint.empty())
        fields.emplace_back("login_hint", loginHint);
    if (provider.provider == "google") {
        fields.emplace_back("access_type", "offline");
        fields.emplace_back("prompt", "consent");
    }
    return withQuery(provider.authorizationUrl, fields);
}

SignInResult signInWithBrowser(const ProviderSettings& provider, const BrowserSignIn& how) {
    LoopbackRedirect redirect;
    if (!redirect.listening())
        return signInFailure(redirect.failure());
    const PkcePair pkce = makePkcePair();
    const std::string state = randomToken(24);
    how.openUrl(
        authorizationUrl(provider, redirect.redirectUri(), state, pkce.challenge, how.loginHint));
    const WaitLimit limit{TickCount() + how.timeoutMs, how.stop};
    const RedirectOutcome answer = redirect.await(state, limit);
    if (!answer.ok)
        return signInFailure(answer.failure, true);
    return fromReply(exchangeCode(provider, answer.code, pkce.verifier, redirect.redirectUri(),
                                  {kHttpTimeoutMs, how.stop}));
}

SignInResult signInWithDeviceCode(const ProviderSettings& provider, const DeviceSignIn& how) {
    if (provider.deviceUrl.empty())
        return signInFailure(oauth_texts::noDeviceFlow(provider.displayName));
    const HttpLimits limits{kHttpTimeoutMs, how.stop};
    const std::vector<std::pair<std::string, std::string>> fields{{"client_id", provider.clientId},
                                                                  {"scope", provider.scope}};
    const DeviceCodeReply issued =
        readDeviceCodeReply(postForm(provider.deviceUrl, fields, limits));
    if (!issued.code)
        return signInFailure(issued.failure);
    const DeviceCode& code = *issued.code;
    how.showCode(code.verificationUri, code.userCode);
    std::int64_t interval = code.interval;
    // Counted in the waits asked for, so that a test's instant wait runs the
    // same course as the real one.
    std::int64_t waited = 0;
    int failuresInARow = 0;
    for (;;) {
        if (waited >= code.expiresIn)
            return signInFailure(oauth_texts::deviceCodeExpired(), true);
        if (!how.wait(interval))
            return signInFailure(oauth_texts::signInAborted());
        waited += std::max<std::int64_t>(interval, 1);
        const TokenReply reply = pollDeviceCode(provider, code.deviceCode, limits);
        failuresInARow = reply.transient ? failuresInARow + 1 : 0;
        if (reply.transient && failuresInARow <= kTransientPollFailures)
            continue;
        switch (reply.outcome) {
        case TokenOutcome::Pending:
            continue;
        case TokenOutcome::SlowDown:
            interval += kSlowDownSeconds;
            continue;
        case TokenOutcome::Expired:
            return signInFailure(oauth_texts::deviceCodeExpired(), true);
        default:
            return fromReply(reply);
        }
    }
}

bool waitSeconds(std::int64_t seconds, const std::atomic<std::uint8_t>* stop) {
    const std::uint64_t until = TickCount() + static_cast<std::uint64_t>(seconds) * 1000;
    for (;;) {
        if (stop && *stop != 0)
            return false;
        const std::uint64_t now = TickCount();
        if (now >= until)
            return true;
        std::this_thread::sleep_for(
            std::chrono::milliseconds(std::min<std::uint64_t>(until - now, 250)));
    }
}

} // namespace ombrix::oauth
