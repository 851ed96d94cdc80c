#include "oauth/providers.h"

#include "oauth/oauth_texts.h"
#include "platform/ascii.h"

#include <algorithm>
#include <array>

#ifndef OMBRIX_OAUTH_GOOGLE_CLIENT_ID
#define OMBRIX_OAUTH_GOOGLE_CLIENT_ID ""
#endif
#ifndef OMBRIX_OAUTH_GOOGLE_CLIENT_SECRET
#define OMBRIX_OAUTH_GOOGLE_CLIENT_SECRET ""
#endif
#ifndef OMBRIX_OAUTH_MICROSOFT_CLIENT_ID
#define OMBRIX_OAUTH_MICROSOFT_CLIENT_ID ""
#endif

namespace ombrix::oauth {
namespace {

constexpr std::array kGoogleHosts = {"imap.gmail.com", "pop.gmail.com", "imap.googlemail.com",
                                     "pop.googlemail.com"};
constexpr std::array kMicrosoftHosts = {"outlook.office365.com", "outlook.office.com",
                                        "imap-mail.outlook.com", "pop-mail.outlook.com"};

std::string confOr(const ProgramConf& conf, const char* key, const char* builtIn) {
    const std::optional<std::string> value = conf.value(key);
    return value && !value->empty() ? *value : std::string(builtIn);
}

ProviderSettings google(const ProgramConf& conf) {
    return {kGoogle,
            providerDisplayName(kGoogle),
            "https://accounts.google.com/o/oauth2/v2/auth",
            "https://oauth2.googleapis.com/token",
            {},
            confOr(conf, kConfGoogleClientId, OMBRIX_OAUTH_GOOGLE_CLIENT_ID),
            confOr(conf, kConfGoogleClientSecret, OMBRIX_OAUTH_GOOGLE_CLIENT_SECRET),
            "https://mail.google.com/"};
}

ProviderSettings microsoft(std::string_view protocol, const ProgramConf& conf) {
    const std::string base = "https://login.microsoftonline.com/common/oauth2/v2.0/";
    const char* access = protocol == "pop3" ? "https://outlook.office.com/POP.AccessAsUser.All"
                                            : "https://outlook.office.com/IMAP.AccessAsUser.All";
    return {kMicrosoft,
            providerDisplayName(kMicrosoft),
            base + "authorize",
            base + "token",
            base + "devicecode",
            confOr(conf, kConfMicrosoftClientId, OMBRIX_OAUTH_MICROSOFT_CLIENT_ID),
            confOr(conf, kConfMicrosoftClientSecret, ""),
            std::string(access) + " offline_access"};
}

ProviderSettings custom(const CustomProvider& typed) {
    return {kCustom,
            providerDisplayName(kCustom),
            typed.authorizationUrl,
            typed.tokenUrl,
            typed.deviceUrl,
            typed.clientId,
            typed.clientSecret,
            typed.scope};
}

} // namespace

std::string presetForHost(std::string_view host) {
    const std::string lower = asciiLowercase(host);
    if (std::ranges::find(kGoogleHosts, lower) != kGoogleHosts.end())
        return kGoogle;
    if (std::ranges::find(kMicrosoftHosts, lower) != kMicrosoftHosts.end())
        return kMicrosoft;
    return {};
}

std::string providerDisplayName(std::string_view provider) {
    if (provider == kGoogle)
        return "Google";
    if (provider == kMicrosoft)
        return "Microsoft";
    return "OAuth";
}

bool knownProvider(std::string_view provider) {
    return provider == kGoogle || provider == kMicrosoft || provider == kCustom;
}

ProviderLookup providerSettings(const OAuthSignIn& signIn, std::string_view protocol,
                                const ProgramConf& conf) {
    ProviderLookup lookup;
    ProviderSettings settings;
    const char* clientIdKey = nullptr;
    if (signIn.provider == kGoogle) {
        settings = google(conf);
        clientIdKey = kConfGoogleClientId;
    } else if (signIn.provider == kMicrosoft) {
        settings = microsoft(protocol, conf);
        clientIdKey = kConfMicrosoftClientId;
    } else if (signIn.provider == kCustom) {
        settings = custom(signIn.custom);
        if (settings.authorizationUrl.empty() || settings.tokenUrl.empty()) {
            lookup.failure = Text("Für die eigene OAuth-Anmeldung fehlen die Adressen.",
                                  "The custom OAuth sign-in has no endpoints.");
            return lookup;
        }
    } else {
        lookup.failure = "unknown OAuth provider \"" + signIn.provider + "\"";
        return lookup;
    }
    if (settings.clientId.empty() && signIn.provider == kCustom) {
        // Typed in with the account, not an ombrix.conf key of its own.
        lookup.failure = Text("Für die eigene OAuth-Anmeldung fehlt die Client-ID.",
                              "The custom OAuth sign-in has no client id.");
        return lookup;
    }
    if (settings.clientId.empty()) {
        lookup.failure = oauth_texts::noClientId(settings.displayName, clientIdKey);
        return lookup;
    }
    lookup.settings = std::move(settings);
    return lookup;
}

} // namespace ombrix::oauth
