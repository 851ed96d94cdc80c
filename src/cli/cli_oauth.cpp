#include "cli/cli_oauth.h"

#include "cli/interrupt_watch.h"
#include "cli/terminal_text.h"
#include "config/program_conf.h"
#include "config/program_directory.h"
#include "config/state_store.h"
#include "core/access_tokens.h"
#include "core/account_table.h"
#include "core/language.h"
#include "core/password_keyring.h"
#include "core/run_flags.h"
#include "oauth/account_sign_in.h"
#include "oauth/oauth_texts.h"
#include "oauth/providers.h"
#include "oauth/refresh_tokens.h"
#include "oauth/sign_in.h"
#include "oauth/token_broker.h"

#include <cstdlib>
#include <ostream>
#include <spawn.h>

extern char** environ;

namespace ombrix {
namespace {

struct CustomOption {
    const char* option;
    std::string CustomProvider::*member;
};

constexpr CustomOption kCustomOptions[] = {
    {"--authorization-url", &CustomProvider::authorizationUrl},
    {"--token-url", &CustomProvider::tokenUrl},
    {"--device-url", &CustomProvider::deviceUrl},
    {"--client-id", &CustomProvider::clientId},
    {"--scope", &CustomProvider::scope},
};

// $BROWSER, where the user named one, is started with the address and not
// waited for; the address is printed either way.
void startBrowser(const std::string& url) {
    const char* browser = std::getenv("BROWSER");
    if (!browser || !*browser)
        return;
    std::string program = browser;
    std::string address = url;
    char* argv[] = {program.data(), address.data(), nullptr};
    pid_t child = 0;
    posix_spawnp(&child, program.c_str(), nullptr, nullptr, argv, environ);
}

oauth::SignInResult signIn(const oauth::ProviderSettings& provider, const NewAccount& account,
                           bool deviceCode, std::ostream& err) {
    if (deviceCode) {
        oauth::DeviceSignIn how;
        // The address and the code are the provider's bytes.
        how.showCode = [&err](const std::string& uri, const std::string& code) {
            err << oauth_texts::enterDeviceCode(terminalLine(uri), terminalLine(code)) << '\n'
                << oauth_texts::waitingForBrowser() << std::endl;
        };
        how.wait = [](std::int64_t seconds) { return oauth::waitSeconds(seconds, &abortRequest); };
        how.stop = &abortRequest;
        return oauth::signInWithDeviceCode(provider, how);
    }
    oauth::BrowserSignIn how;
    how.openUrl = [&err](const std::string& url) {
        err << oauth_texts::openInBrowser() << '\n'
            << terminalLine(url) << '\n'
            << oauth_texts::waitingForBrowser() << std::endl;
        startBrowser(url);
    };
    how.loginHint = account.user;
    how.stop = &abortRequest;
    return oauth::signInWithBrowser(provider, how);
}

// A sign-in's failure quotes the provider (its error and description) or
// the server's address.
int refuse(const CliContext& context, const std::string& reason) {
    context.io.err << "ombrix: " << terminalMessage(reason) << '\n';
    return 1;
}

} // namespace

std::optional<OAuthRequest> takeOAuthRequest(CommandArguments& arguments) {
    const std::optional<std::string> provider = arguments.takeValue("--oauth");
    OAuthRequest request;
    request.deviceCode = arguments.takeFlag("--device-code");
    for (const CustomOption& option : kCustomOptions)
        if (std::optional<std::string> value = arguments.takeValue(option.option)) {
            if (provider != oauth::kCustom)
                throw UsageError(std::string(option.option) + " belongs to --oauth custom");
            request.signIn.custom.*option.member = *value;
        }
    request.clientSecret = takeClientSecretSource(arguments);
    if (request.clientSecret && provider != oauth::kCustom)
        throw UsageError("--client-secret belongs to --oauth custom");
    if (!provider) {
        if (request.deviceCode)
            throw UsageError("--device-code belongs to --oauth");
        return std::nullopt;
    }
    if (!oauth::knownProvider(*provider))
        throw UsageError("--oauth takes google, microsoft or custom, not " + *provider);
    request.signIn.provider = *provider;
    return request;
}

int addOAuthAccount(const NewAccount& account, const OAuthRequest& request,
                    const CliContext& context) {
    OAuthSignIn chosen = request.signIn;
    if (request.clientSecret) {
        ClientSecretRead read = readClientSecret(*request.clientSecret, context.io.in);
        if (!read.secret)
            return refuse(context, read.failure);
        chosen.custom.clientSecret = std::move(*read.secret);
    }
    const SecretKey key = keyringKeyOf(account);
    const oauth::ProviderLookup provider =
        oauth::providerSettings(chosen, key.protocol, readProgramConf());
    if (!provider.settings)
        return refuse(context, provider.failure);
    if (request.deviceCode && provider.settings->deviceUrl.empty())
        return refuse(context, oauth_texts::noDeviceFlow(provider.settings->displayName));

    const InterruptWatch interrupts;
    const oauth::SignInResult result =
        signIn(*provider.settings, account, request.deviceCode, context.io.err);
    if (!result.ok)
        return interrupts.exitStatus(refuse(context, result.failure));

    NewAccount withoutPassword = account;
    withoutPassword.password.clear();
    const int slot = appendAccount(withoutPassword);
    if (slot < 0)
        return refuse(context, accountLimitText());
    AccountRecord& record = accounts[static_cast<std::size_t>(slot)];
    if (oauth::recordSignIn(record, chosen))
        return refuse(context, programConfPath(programDirectory).string() + ": " +
                                   Text("nicht gespeichert", "not saved"));
    if (!oauth::keepSignIn(tokenAccountOf(record), record.name, result.grant))
        return refuse(context, oauth_texts::signInNotKept());
    if (const int failed = saveAddedAccount(context); failed != 0)
        return failed;
    return interrupts.exitStatus(0);
}

} // namespace ombrix
