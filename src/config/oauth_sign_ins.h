#pragma once
// Which accounts sign in with OAuth 2.0, kept in ombrix.conf because obx.dat
// has no field for it (its password field stays empty for such an account).
// An account is named by its server, user, protocol and port, as the keyring
// names it, in keys such as
//     oauthProvider/imap/993/imap.gmail.com/me@gmail.com=google
// with every byte of host and user outside [A-Za-z0-9._@+-] written as %XX,
// so that no '=', blank, '/' or line end can break the line.

#include "config/conf_keys.h"
#include "config/program_conf.h"
#include "platform/secret_store.h"

#include <optional>
#include <string>
#include <string_view>

namespace ombrix {

// "field/protocol/port/host/user".
std::string oauthConfKey(std::string_view field, const SecretKey& account);

// What the user typed in for a provider of their own.
struct CustomProvider {
    std::string authorizationUrl;
    std::string tokenUrl;
    std::string deviceUrl; // may stay empty: no device-code sign-in then
    std::string clientId;
    std::string clientSecret; // only where the provider insists on one
    std::string scope;

    bool operator==(const CustomProvider&) const = default;
};

struct OAuthSignIn {
    std::string provider;  // "google", "microsoft" or "custom"
    CustomProvider custom; // with "custom" only

    bool operator==(const OAuthSignIn&) const = default;
};

std::optional<OAuthSignIn> oauthSignInOf(const ProgramConf& conf, const SecretKey& account);
void setOAuthSignIn(ProgramConf& conf, const SecretKey& account, const OAuthSignIn& signIn);
// Every entry of the account, its refresh token too: it signs in with a
// password again, or it is gone.
void forgetOAuthSignIn(ProgramConf& conf, const SecretKey& account);

// Start-up, right after obx.dat: each account's oauthProvider from ombrix.conf.
// The caller holds the table (or no other thread runs yet).
void loadOAuthProviders();

} // namespace ombrix
