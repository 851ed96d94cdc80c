#include "cli/cli_client_secret.h"
#include "cli/cli_command.h"
#include "cli/cli_oauth.h"
#include "config/state_store.h"
#include "core/account_rules.h"
#include "core/account_table.h"
#include "core/language.h"
#include "core/password_keyring.h"
#include "oauth/account_sign_in.h"

#include <charconv>
#include <istream>
#include <ostream>

namespace ombrix {
namespace {

std::string validPort(const std::string& text) {
    unsigned port = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), port);
    if (error != std::errc{} || end != text.data() + text.size() || port == 0 || port > 65535)
        throw UsageError("--port takes a number from 1 to 65535, not " + text);
    return text;
}

std::string requiredValue(CommandArguments& arguments, std::string_view option,
                          const char* emptyText) {
    const auto value = arguments.takeValue(option);
    if (!value)
        throw UsageError("--add-account needs " + std::string(option));
    if (value->empty())
        throw UsageError(emptyText);
    return *value;
}

NewAccount parseNewAccount(CommandArguments& arguments) {
    NewAccount account;
    account.name = requiredValue(
        arguments, "--name",
        Text("Bitte geben sie ihre Emailadresse ein !", "Please enter your mail address !"));
    account.host = requiredValue(arguments, "--host",
                                 Text("Bitte geben sie den Namen der Emailservers an !",
                                      "please enter the name of your mailserver !"));
    account.user = requiredValue(
        arguments, "--user",
        Text("Bitte geben sie den Benutzernamen des Accounts ein.", "Please enter the username !"));
    account.imap = arguments.takeFlag("--imap");
    account.ssl = arguments.takeFlag("--ssl");
    const auto port = arguments.takeValue("--port");
    account.port = port ? validPort(*port) : defaultPort(account.imap, account.ssl);
    return account;
}

// A refusal: the reason on stderr, exit code 1.
int refuse(const CliContext& context, const std::string& reason) {
    context.io.err << "ombrix: " << reason << '\n';
    return 1;
}

} // namespace

int saveAddedAccount(const CliContext& context) {
    context.tellKeyringNotice();
    if (!saveState(SaveKind::SettingsFile))
        return 1;
    context.io.out << Text("Ihr Emailaccount wurde zur Überprüfung eingerichtet !",
                           "OK, account successfully added !")
                   << '\n';
    return 0;
}

int runAddAccount(CommandArguments& arguments, const CliContext& context) {
    NewAccount account = parseNewAccount(arguments);
    const std::optional<OAuthRequest> oauth = takeOAuthRequest(arguments);
    arguments.expectNoMore();
    if (const auto field = fieldWithControlCharacter(account))
        return refuse(context, controlCharacterText(*field));
    context.loadState();
    if (accountCount >= kMaxAccounts)
        return refuse(context, accountLimitText());
    if (oauth) // no password: the provider signs the user in
        return addOAuthAccount(account, *oauth, context);
    const auto password = readSecretText(context.io.in);
    if (!password)
        return refuse(context, Text("Das Passwort ist zu lang.", "the password is too long."));
    if (password->empty())
        return refuse(context, Text("Bitte geben sie das Passwort ein !", "Enter your password !"));
    account.password = *password;
    if (hasControlCharacter(account.password))
        return refuse(context, controlCharacterText(AccountField::Password));
    oauth::forgetStaleSignIn(keyringKeyOf(account));
    if (appendAccount(account) < 0)
        return refuse(context, accountLimitText());
    context.settlePasswords(true); // the new password into the keyring
    return saveAddedAccount(context);
}

} // namespace ombrix
