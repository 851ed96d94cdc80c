#pragma once
// The texts of the account editor's alert choice.

#include "core/language.h"

#include <string>

namespace ombrix::alert_texts {

inline const char* followProgram() {
    return Text("wie in den Programmeinstellungen", "as the program's settings say");
}

inline const char* ownWave() {
    return Text("eigene Wave-Datei abspielen", "play a wave file of its own");
}

inline const char* silent() {
    return Text("stumm: kein Ton, kein LED, keine Meldung", "silent: no sound, no LED, no pop-up");
}

inline const char* noFileChosen() {
    return Text("Noch keine Datei gewählt.", "No file chosen yet.");
}

inline const char* fileMissing() {
    return Text("Die Datei gibt es nicht (mehr).", "The file does not exist.");
}

inline const char* fileUnreadable() {
    return Text("Die Datei kann nicht gelesen werden.", "The file cannot be read.");
}

// OK refused: the reason below the choice, then what to do.
inline std::string refusal(const std::string& path, const std::string& reason) {
    return Text("Die Wave-Datei dieses Kontos kann nicht abgespielt werden:\n",
                "This account's wave file cannot be played:\n") +
           path + "\n" + reason +
           Text("\n\nWählen Sie eine andere Datei oder eine andere Art des Alarms.",
                "\n\nChoose another file or another kind of alert.");
}

inline const char* notSaved() {
    return Text("ombrix.conf ließ sich nicht speichern: der Alarm des Kontos gilt nur bis zum "
                "Ende des Programms.",
                "ombrix.conf could not be saved: the account's alert lasts only until the "
                "program ends.");
}

} // namespace ombrix::alert_texts
