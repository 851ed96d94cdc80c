#pragma once
// The texts that a session with a mail server (connect, login, replies) writes
// into an account's errorText, in both languages.

#include "core/language.h"

#include <string>

namespace ombrix::session_texts {

inline std::string couldNotConnect() {
    return Text("Konnte Server nicht ansprechen", "could not connect to server");
}

// The state of an account whose server presented a certificate that neither
// verifies nor is the one the user accepted.
inline std::string certificateNotTrusted() {
    return Text("Zertifikat nicht vertrauenswürdig", "certificate not trusted");
}

inline std::string certificateChanged() {
    return Text("nicht das akzeptierte Zertifikat", "not the accepted certificate");
}

inline std::string noResponse() {
    return Text("Mailserver antwortet nicht", "mailserver does not respond");
}

inline std::string noUidNext() {
    return Text("Keine Serverantwort auf NEXTUID", "No Serverresponse on NEXTUID");
}

inline std::string protocolFault() {
    return Text("Protokoll Fehler",
                "protocol error: the server's reply could not be read, please tell "
                "support@ombrix.org");
}

inline std::string lineBreakInCredentials() {
    return Text("Benutzername oder Passwort enthält einen Zeilenumbruch",
                "user name or password contains a line break");
}

inline std::string noOAuthMechanism() {
    return Text("Server bietet keine Anmeldung mit OAuth an", "server offers no OAuth sign-in");
}

} // namespace ombrix::session_texts
