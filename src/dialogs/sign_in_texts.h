#pragma once
// The texts of the sign-in with OAuth in the account editor and the wizard.

#include "core/language.h"
#include "oauth/providers.h"

#include <string>

namespace ombrix::sign_in_texts {

inline const char* passwordChoice() {
    return Text("Passwort", "password");
}

// "OAuth (Google)"; a provider of the user's own is "OAuth (eigener Anbieter)".
inline std::string oauthChoice(const std::string& provider) {
    if (provider == oauth::kCustom)
        return Text("OAuth (eigener Anbieter)", "OAuth (custom)");
    return "OAuth (" + oauth::providerDisplayName(provider) + ")";
}

// The wizard's last question when the provider signs the user in.
inline std::string signInQuestion(const std::string& provider) {
    if (provider == oauth::kCustom)
        return Text("Melden Sie sich nun im Browser bei Ihrem Anbieter an:",
                    "Now sign in with your provider in your browser:");
    return Text("Melden Sie sich nun im Browser bei ", "Now sign in with ") +
           oauth::providerDisplayName(provider) + Text(" an:", " in your browser:");
}

inline std::string browserOpened(const std::string& providerName) {
    return Text("Die Anmeldeseite von ", "The sign-in page of ") + providerName +
           Text(" ist in Ihrem Browser geöffnet. Melden Sie sich dort an.",
                " is open in your browser. Please sign in there.");
}

inline const char* endpointsMissing() {
    return Text("Bitte geben Sie Anmeldeadresse, Token-Adresse und Client-ID ein !",
                "Please enter the authorization URL, the token URL and the client id !");
}

inline const char* settingsNotSaved() {
    return Text("ombrix.conf ließ sich nicht speichern: die Anmeldung gilt nur bis zum Ende "
                "des Programms.",
                "ombrix.conf could not be saved: the sign-in lasts only until the program ends.");
}

} // namespace ombrix::sign_in_texts
