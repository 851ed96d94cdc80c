#include "oauth/token_endpoint.h"

#include "oauth/json_object.h"
#include "oauth/provider_words.h"

#include <algorithm>
#include <utility>
#include <vector>

namespace ombrix::oauth {
namespace {

using Fields = std::vector<std::pair<std::string, std::string>>;

// A public client names itself; a client with a secret sends it too.
void addClient(Fields& fields, const ProviderSettings& provider) {
    fields.emplace_back("client_id", provider.clientId);
    if (!provider.clientSecret.empty())
        fields.emplace_back("client_secret", provider.clientSecret);
}

TokenReply failedReply(std::string reason) {
    TokenReply reply;
    reply.reason = std::move(reason);
    return reply;
}

TokenOutcome outcomeOfError(const std::string& error) {
    if (error == "invalid_grant")
        return TokenOutcome::InvalidGrant;
    if (error == "authorization_pending")
        return TokenOutcome::Pending;
    if (error == "slow_down")
        return TokenOutcome::SlowDown;
    if (error == "expired_token")
        return TokenOutcome::Expired;
    return TokenOutcome::Refused;
}

// RFC 6749, appendix A: a token is printable ASCII. Any other byte would go
// into the authentication command or ombrix.conf as garbage. The access
// token goes out after "Bearer " (RFC 6750, section 2.1), where a blank
// would end it: the mail server's sign-in refuses it, so the grant does.
bool printableToken(const std::string& token, char lowest) {
    return std::ranges::all_of(token, [lowest](char c) { return c >= lowest && c <= 0x7E; });
}

TokenReply send(const ProviderSettings& provider, Fields fields, const HttpLimits& limits) {
    addClient(fields, provider);
    return readTokenReply(postForm(provider.tokenUrl, fields, limits));
}

} // namespace

TokenReply readTokenReply(const HttpOutcome& answer) {
    if (!answer.answered) {
        TokenReply reply = failedReply(answer.failure);
        reply.transient = true;
        return reply;
    }
    const std::optional<JsonObject> json = JsonObject::parse(answer.response.body);
    if (!json) {
        TokenReply reply =
            failedReply("HTTP " + std::to_string(answer.response.status) + ", no JSON answer");
        reply.transient = answer.response.status >= 500;
        return reply;
    }
    if (const auto error = json->text("error")) {
        TokenReply reply;
        reply.outcome = outcomeOfError(*error);
        reply.reason = providerReason(*error, json->text("error_description"));
        return reply;
    }
    const auto accessToken = json->text("access_token");
    if (answer.response.status != 200 || !accessToken || accessToken->empty())
        return failedReply("HTTP " + std::to_string(answer.response.status) + ", no access token");
    std::string refreshToken = json->text("refresh_token").value_or(std::string());
    if (!printableToken(*accessToken, 0x21) || !printableToken(refreshToken, 0x20))
        return failedReply("HTTP " + std::to_string(answer.response.status) +
                           ", a token with bytes no token has");
    TokenReply reply;
    reply.outcome = TokenOutcome::Granted;
    reply.grant.accessToken = *accessToken;
    reply.grant.refreshToken = std::move(refreshToken);
    reply.grant.expiresIn = std::max<std::int64_t>(0, json->number("expires_in").value_or(0));
    return reply;
}

TokenReply exchangeCode(const ProviderSettings& provider, const std::string& code,
                        const std::string& verifier, const std::string& redirectUri,
                        const HttpLimits& limits) {
    return send(provider,
                {{"grant_type", "authorization_code"},
                 {"code", code},
                 {"code_verifier", verifier},
                 {"redirect_uri", redirectUri}},
                limits);
}

TokenReply refreshAccess(const ProviderSettings& provider, const std::string& refreshToken,
                         const HttpLimits& limits) {
    Fields fields{{"grant_type", "refresh_token"}, {"refresh_token", refreshToken}};
    if (!provider.scope.empty())
        fields.emplace_back("scope", provider.scope);
    return send(provider, std::move(fields), limits);
}

TokenReply pollDeviceCode(const ProviderSettings& provider, const std::string& deviceCode,
                          const HttpLimits& limits) {
    return send(provider,
                {{"grant_type", "urn:ietf:params:oauth:grant-type:device_code"},
                 {"device_code", deviceCode}},
                limits);
}

} // namespace ombrix::oauth
