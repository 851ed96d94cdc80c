#pragma once
// The texts about passwords in the desktop keyring, German and English.

#include "core/language.h"

#include <string>

namespace ombrix::keyring_texts {

// Why the passwords stay in obx.dat.
inline std::string serviceMissing() {
    return Text("Kein Schlüsselbund gefunden: die Passwörter bleiben in obx.dat.",
                "No keyring found: the passwords stay in obx.dat.");
}
inline std::string keyringLocked() {
    return Text("Der Schlüsselbund ist gesperrt: die Passwörter bleiben in obx.dat.",
                "The keyring is locked: the passwords stay in obx.dat.");
}
inline std::string keyringFailed() {
    return Text("Der Schlüsselbund meldet einen Fehler: die Passwörter bleiben in obx.dat.",
                "The keyring reports an error: the passwords stay in obx.dat.");
}

// An account's errorText when a run could not have its password.
inline std::string passwordMissing() {
    return Text("Passwort nicht im Schlüsselbund", "password not found in the keyring");
}
inline std::string passwordLocked() {
    return Text("Schlüsselbund gesperrt", "keyring locked");
}
inline std::string passwordNoService() {
    return Text("Kein Schlüsselbund erreichbar", "no keyring available");
}
inline std::string passwordFailed() {
    return Text("Fehler des Schlüsselbunds", "keyring error");
}

// A command without a keyring (cron, ssh: no session bus) for passwords
// that are only there.
inline std::string commandWithoutKeyring(int accounts) {
    return Text("ombrix: kein Schlüsselbund erreichbar (keine D-Bus-Sitzung mit Secret Service), "
                "doch die Passwörter von ",
                "ombrix: no keyring available (no session bus with a Secret Service), but the "
                "passwords of ") +
           std::to_string(accounts) +
           Text(" Konten liegen nur dort; mit passwordStore=file in ombrix.conf kommen sie beim "
                "nächsten Start in der Desktop-Sitzung nach obx.dat",
                " accounts are only there; with passwordStore=file in ombrix.conf the next start "
                "in the desktop session moves them into obx.dat");
}

// passwordStore=file while passwords are still in the keyring.
inline std::string returnQuestion() {
    return Text("In ombrix.conf steht passwordStore=file, doch Passwörter liegen noch im "
                "Schlüsselbund. Sollen sie zurück in obx.dat ?",
                "ombrix.conf says passwordStore=file, but passwords are still in the keyring. "
                "Move them back into obx.dat ?");
}
// A command's line on stderr once it moved them.
inline std::string passwordsReturned(int count) {
    return Text("ombrix: passwordStore=file: Passwörter aus dem Schlüsselbund nach obx.dat: ",
                "ombrix: passwordStore=file: passwords moved from the keyring into obx.dat: ") +
           std::to_string(count);
}
inline std::string passwordsLeftInKeyring(int count) {
    return Text("ombrix: passwordStore=file: im Schlüsselbund geblieben: ",
                "ombrix: passwordStore=file: left in the keyring: ") +
           std::to_string(count);
}

} // namespace ombrix::keyring_texts
