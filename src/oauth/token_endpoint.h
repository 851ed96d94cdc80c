#pragma once
// The provider's token endpoint (RFC 6749, section 4.1.3 and 6; RFC 8628 for
// the device code): the code exchange, the refresh and the device-code poll,
// each one form POST answered with one JSON object.

#include "oauth/http_client.h"
#include "oauth/providers.h"

#include <cstdint>
#include <string>

namespace ombrix::oauth {

struct TokenGrant {
    std::string accessToken;
    std::string refreshToken;   // empty when the endpoint kept the old one
    std::int64_t expiresIn = 0; // seconds; 0 when the endpoint did not say
};

enum class TokenOutcome {
    Granted,
    InvalidGrant, // the code or refresh token is revoked, expired or unknown
    Pending,      // device code: the user has not finished yet
    SlowDown,     // device code: poll less often
    Expired,      // device code: it ran out before the user finished
    Refused,      // any other error answer of the endpoint
    Failed,       // no answer, or not one this program can read
};

struct TokenReply {
    TokenOutcome outcome = TokenOutcome::Failed;
    TokenGrant grant;   // with Granted
    std::string reason; // for the user when not Granted: the endpoint's error or the failure
    // Failed for no fault of the request: no answer at all, or the server's
    // own trouble (HTTP 5xx without an OAuth error). The same request may
    // pass a moment later.
    bool transient = false;
};

// What one answer of the endpoint means.
TokenReply readTokenReply(const HttpOutcome& answer);

TokenReply exchangeCode(const ProviderSettings& provider, const std::string& code,
                        const std::string& verifier, const std::string& redirectUri,
                        const HttpLimits& limits);
// With the provider's scope: Microsoft's v2 endpoint refuses a refresh without one.
TokenReply refreshAccess(const ProviderSettings& provider, const std::string& refreshToken,
                         const HttpLimits& limits);
TokenReply pollDeviceCode(const ProviderSettings& provider, const std::string& deviceCode,
                          const HttpLimits& limits);

} // namespace ombrix::oauth
