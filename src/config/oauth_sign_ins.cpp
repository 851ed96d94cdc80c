#include "config/oauth_sign_ins.h"

#include "config/account_conf_key.h"
#include "core/account_table.h"
#include "core/password_keyring.h"

#include <algorithm>
#include <initializer_list>

namespace ombrix {
namespace {

struct CustomField {
    const char* key;
    std::string CustomProvider::*member;
};

constexpr CustomField kCustomFields[] = {
    {kConfOAuthAuthorizationUrl, &CustomProvider::authorizationUrl},
    {kConfOAuthTokenUrl, &CustomProvider::tokenUrl},
    {kConfOAuthDeviceUrl, &CustomProvider::deviceUrl},
    {kConfOAuthClientId, &CustomProvider::clientId},
    {kConfOAuthClientSecret, &CustomProvider::clientSecret},
    {kConfOAuthScope, &CustomProvider::scope},
};

} // namespace

std::string oauthConfKey(std::string_view field, const SecretKey& account) {
    return accountConfKey(field, account);
}

std::optional<OAuthSignIn> oauthSignInOf(const ProgramConf& conf, const SecretKey& account) {
    const std::optional<std::string> provider =
        conf.value(oauthConfKey(kConfOAuthProvider, account));
    if (!provider || provider->empty())
        return std::nullopt;
    OAuthSignIn signIn{*provider, {}};
    if (signIn.provider == "custom")
        for (const CustomField& field : kCustomFields)
            signIn.custom.*field.member =
                conf.value(oauthConfKey(field.key, account)).value_or(std::string());
    return signIn;
}

void setOAuthSignIn(ProgramConf& conf, const SecretKey& account, const OAuthSignIn& signIn) {
    conf.set(oauthConfKey(kConfOAuthProvider, account), signIn.provider);
    for (const CustomField& field : kCustomFields) {
        const std::string key = oauthConfKey(field.key, account);
        const std::string& value = signIn.custom.*field.member;
        if (signIn.provider == "custom" && !value.empty())
            conf.set(key, value);
        else
            conf.erase(key);
    }
}

void forgetOAuthSignIn(ProgramConf& conf, const SecretKey& account) {
    conf.erase(oauthConfKey(kConfOAuthProvider, account));
    conf.erase(oauthConfKey(kConfOAuthRefreshToken, account));
    for (const CustomField& field : kCustomFields)
        conf.erase(oauthConfKey(field.key, account));
}

void loadOAuthProviders() {
    const ProgramConf conf = readProgramConf();
    const int used = static_cast<int>(std::min<std::uint32_t>(accountCount, kMaxAccounts));
    for (int slot = 0; slot < used; ++slot) {
        AccountRecord& account = accounts[static_cast<std::size_t>(slot)];
        const std::optional<OAuthSignIn> signIn = oauthSignInOf(conf, keyringKeyOf(account));
        account.oauthProvider = signIn ? signIn->provider : std::string();
    }
}

} // namespace ombrix
