#pragma once
// A first sign-in: the user proves who they are to the provider, and the
// program gets its first access and refresh token. Two ways: the browser
// (authorization code with PKCE and a loopback redirect) and, for a machine
// without one, the device code that the user enters on another device.
// Both block their thread until done, refused, timed out or stopped.

#include "oauth/token_endpoint.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>

namespace ombrix::oauth {

inline constexpr std::uint32_t kSignInTimeoutMs = 10 * 60 * 1000;

struct SignInResult {
    bool ok = false;
    TokenGrant grant;
    bool refused = false; // the provider said no (not a network failure)
    std::string failure;  // for the user when not ok
};

struct BrowserSignIn {
    // Given the address to open; the front end shows it, opens a browser or both.
    std::function<void(const std::string& url)> openUrl;
    std::string loginHint; // the account's user name, so the provider suggests it
    std::uint32_t timeoutMs = kSignInTimeoutMs;
    const std::atomic<std::uint8_t>* stop = nullptr;
};

// The authorization URL of one attempt: response_type=code, client_id,
// redirect_uri, scope, state, code_challenge (S256), login_hint when given,
// and access_type=offline + prompt=consent for Google, which otherwise gives
// no refresh token.
std::string authorizationUrl(const ProviderSettings& provider, const std::string& redirectUri,
                             const std::string& state, const std::string& challenge,
                             const std::string& loginHint);

SignInResult signInWithBrowser(const ProviderSettings& provider, const BrowserSignIn& how);

struct DeviceSignIn {
    // Shows the user what to open and which code to type there.
    std::function<void(const std::string& verificationUri, const std::string& userCode)> showCode;
    // Waits that many seconds before the next poll; false when stopped.
    std::function<bool(std::int64_t seconds)> wait;
    const std::atomic<std::uint8_t>* stop = nullptr;
};

SignInResult signInWithDeviceCode(const ProviderSettings& provider, const DeviceSignIn& how);

// The usual wait of a device sign-in: sliced so that `stop` ends it within
// a second.
bool waitSeconds(std::int64_t seconds, const std::atomic<std::uint8_t>* stop);

} // namespace ombrix::oauth
