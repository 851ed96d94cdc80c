#pragma once
// The OAuth 2.0 providers an account can sign in with: presets for Google and
// Microsoft, and "custom" with endpoints typed in. A desktop program cannot
// keep a secret, so the client ids (and Google's client "secret", which
// Google hands out to desktop apps and documents as not secret) come from
// ombrix.conf, falling back to what the build was given.

#include "config/conf_keys.h"
#include "config/oauth_sign_ins.h"
#include "config/program_conf.h"

#include <optional>
#include <string>
#include <string_view>

namespace ombrix::oauth {

inline constexpr const char* kGoogle = "google";
inline constexpr const char* kMicrosoft = "microsoft";
inline constexpr const char* kCustom = "custom";

// Everything one sign-in or refresh needs to know about its provider.
struct ProviderSettings {
    std::string provider; // "google", "microsoft", "custom"
    std::string displayName;
    std::string authorizationUrl;
    std::string tokenUrl;
    std::string deviceUrl; // empty: no device-code sign-in
    std::string clientId;
    std::string clientSecret; // empty for a public client
    std::string scope;        // blank-separated
};

// "google" or "microsoft" for a server name of their preset (case does not
// matter); "" for any other server.
std::string presetForHost(std::string_view host);
bool knownProvider(std::string_view provider);
// "Google", "Microsoft", or "OAuth" for a provider of the user's own.
std::string providerDisplayName(std::string_view provider);

struct ProviderLookup {
    std::optional<ProviderSettings> settings;
    std::string failure; // why not, e.g. which ombrix.conf key to set
};

// The provider of a sign-in for an account of `protocol` ("imap" or "pop3").
// Fails with a text naming the ombrix.conf key when a client id is missing.
ProviderLookup providerSettings(const OAuthSignIn& signIn, std::string_view protocol,
                                const ProgramConf& conf);

} // namespace ombrix::oauth
