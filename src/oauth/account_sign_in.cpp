#include "oauth/account_sign_in.h"

#include "config/program_conf.h"
#include "core/account_table.h"
#include "core/password_keyring.h"
#include "oauth/token_broker.h"

#include <algorithm>

namespace ombrix::oauth {
namespace {

SecretKey keyOf(const TokenAccount& account) {
    return {account.host, account.user, account.protocol, account.port};
}

bool signsInUnder(const AccountRecord& account, const SecretKey& key) {
    if (!signsInWithOAuth(account))
        return false;
    const SecretKey own = keyringKeyOf(account);
    return own.host == key.host && own.user == key.user && own.protocol == key.protocol &&
           own.port == key.port;
}

} // namespace

bool keepSignIn(const TokenAccount& account, const std::string& accountName,
                const TokenGrant& grant) {
    return processTokenBroker().signedIn(account, "Ombrix OAuth: " + accountName, grant);
}

std::error_code recordSignIn(AccountRecord& record, const OAuthSignIn& signIn) {
    record.oauthProvider = signIn.provider;
    record.password.clear();
    record.passwordInKeyring = 0;
    const SecretKey key = keyringKeyOf(record);
    return updateProgramConf([&](ProgramConf& conf) { setOAuthSignIn(conf, key, signIn); });
}

std::optional<TokenAccount> abandonedSignIn(const TokenAccount& before) {
    if (before.provider.empty())
        return std::nullopt;
    const SecretKey key = keyOf(before);
    const int used = static_cast<int>(std::min<std::uint32_t>(accountCount, kMaxAccounts));
    for (int slot = 0; slot < used; ++slot)
        if (signsInUnder(accounts[static_cast<std::size_t>(slot)], key))
            return std::nullopt;
    return before;
}

void forgetStaleSignIn(const SecretKey& key) {
    const std::optional<OAuthSignIn> signIn = oauthSignInOf(readProgramConf(), key);
    if (!signIn)
        return;
    if (const auto stale =
            abandonedSignIn({signIn->provider, key.host, key.user, key.protocol, key.port}))
        forgetSignInSettings(*stale);
}

void forgetSignInSettings(const TokenAccount& account) {
    const SecretKey key = keyOf(account);
    updateProgramConf([&key](ProgramConf& conf) { forgetOAuthSignIn(conf, key); });
}

void forgetSignIn(const TokenAccount& account) {
    forgetSignInSettings(account);
    processTokenBroker().forget(account);
}

} // namespace ombrix::oauth
