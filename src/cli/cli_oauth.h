#pragma once
// --add-account ... --oauth PROVIDER: the account signs in with OAuth 2.0.
// The sign-in runs on the terminal (the address to open is printed, or the
// device code with --device-code), then the account is saved with an empty
// password and its provider in ombrix.conf, and the refresh token goes to the
// keyring.

#include "cli/cli_client_secret.h"
#include "cli/cli_command.h"
#include "config/oauth_sign_ins.h"
#include "core/account_rules.h"

#include <optional>

namespace ombrix {

struct OAuthRequest {
    OAuthSignIn signIn; // its client secret is read at the sign-in
    bool deviceCode = false;
    std::optional<ClientSecretSource> clientSecret;
};

// Takes --oauth and the options that go with it; nothing without --oauth.
// Throws UsageError for an unknown provider or options without --oauth.
std::optional<OAuthRequest> takeOAuthRequest(CommandArguments& arguments);

// Signs in, then adds and saves the account. Exit 0, 1 when the sign-in or a
// save failed, 130/143 when SIGINT/SIGTERM ended the wait.
int addOAuthAccount(const NewAccount& account, const OAuthRequest& request,
                    const CliContext& context);

// The end of every --add-account: the keyring's notice, obx.dat saved, the
// user told. Exit 0, or 1 when the save failed.
int saveAddedAccount(const CliContext& context);

} // namespace ombrix
