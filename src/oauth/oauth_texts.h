#pragma once
// The sign-in's texts, German and English.

#include "core/language.h"

#include <string>

namespace ombrix::oauth_texts {

inline std::string noClientId(const std::string& providerName, const std::string& confKey) {
    return Text("Für ", "No OAuth client id for ") + providerName +
           Text(" ist keine OAuth-Client-ID eingetragen: setzen Sie ", " is set: put ") + confKey +
           Text("=... in ombrix.conf.", "=... into ombrix.conf.");
}

inline std::string tokenEndpointFailed(const std::string& reason) {
    return Text("Anmeldedienst nicht erreichbar (", "sign-in service not reachable (") + reason +
           ")";
}

inline std::string tokenEndpointRefused(const std::string& reason) {
    return Text("Anmeldedienst lehnt ab (", "sign-in service refused (") + reason + ")";
}

// The one warning where no keyring keeps the refresh tokens.
inline std::string refreshTokenInConf() {
    return Text("Kein Schlüsselbund erreichbar: die OAuth-Anmeldung wird in ombrix.conf "
                "gespeichert.",
                "No keyring available: the OAuth sign-in is kept in ombrix.conf.");
}

inline std::string signInNotKept() {
    return Text("Die Anmeldung ließ sich nicht speichern.", "The sign-in could not be kept.");
}

inline std::string openInBrowser() {
    return Text("Öffnen Sie diese Adresse im Browser, um sich anzumelden:",
                "Open this address in your browser to sign in:");
}

inline std::string waitingForBrowser() {
    return Text("Warte auf die Anmeldung im Browser ...",
                "Waiting for the sign-in in the browser ...");
}

inline std::string enterDeviceCode(const std::string& uri, const std::string& code) {
    return Text("Öffnen Sie ", "Open ") + uri +
           Text(" auf einem beliebigen Gerät und geben Sie den Code ",
                " on any device and enter the code ") +
           code + Text(" ein.", ".");
}

inline std::string browserPage() {
    return Text("Anmeldung abgeschlossen. Sie können diesen Tab jetzt schließen.",
                "Signed in. You can close this tab now.");
}

inline std::string browserPageRefused() {
    return Text("Anmeldung abgelehnt. Sie können diesen Tab schließen.",
                "Sign-in refused. You can close this tab.");
}

inline std::string wrongState() {
    return Text("Die Antwort des Browsers gehört nicht zu dieser Anmeldung (state stimmt nicht).",
                "The browser's answer does not belong to this sign-in (wrong state).");
}

inline std::string missingCode() {
    return Text("Die Antwort des Browsers enthält keinen Anmeldecode.",
                "The browser's answer holds no authorization code.");
}

inline std::string signInRefused(const std::string& error) {
    return Text("Die Anmeldung wurde abgelehnt: ", "The sign-in was refused: ") + error;
}

inline std::string signInTimedOut() {
    return Text("Die Anmeldung wurde nicht rechtzeitig abgeschlossen.",
                "The sign-in was not completed in time.");
}

inline std::string signInAborted() {
    return Text("Die Anmeldung wurde abgebrochen.", "The sign-in was aborted.");
}

inline std::string deviceCodeExpired() {
    return Text("Der Code ist abgelaufen, bevor er eingegeben wurde.",
                "The code expired before it was entered.");
}

inline std::string noDeviceFlow(const std::string& providerName) {
    return providerName + Text(" bietet keine Anmeldung mit Gerätecode.",
                               " offers no sign-in with a device code.");
}

} // namespace ombrix::oauth_texts
