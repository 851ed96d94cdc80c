#pragma once
// The desktop program's own texts, German and English.

#include "core/language.h"

#include <string>

namespace ombrix::desktop_texts {

inline const char* startTooltip() {
    return "Ombrix";
}

inline const char* noAccountQuestion() {
    return Text("Sie haben noch keine Emailadressen zum Überprüfen angelegt\r\nWollen sie das "
                "jetzt tun?",
                "There are currently no e-mail accounts to check\r\nDo you want to set up a "
                "account now?");
}

inline const char* quitQuestion() {
    return Text("Sind sie sicher dass sie Ombrix beenden wollen?",
                "Are you sure you want to quit Ombrix?");
}

// The sound combo box, by pattern index.
inline const char* soundPattern(int index) {
    static const char* const german[] = {"Ombrix standard", "langer Piep", "kurzer Piep", "Telefon",
                                         "Sirene",          "Alarm",       "Technisch"};
    static const char* const english[] = {"Ombrix default", "long beep", "short beep", "phone",
                                          "siren",          "alarm",     "technical"};
    return Text(german[index], english[index]);
}
inline constexpr int kSoundPatternCount = 7;

inline const char* noDisplay() {
    return Text("ombrix: keine grafische Anzeige (DISPLAY und WAYLAND_DISPLAY sind leer); "
                "\"make demo\" zeigt Ombrix ohne Anzeige, die Befehle nennt ombrix --help.",
                "ombrix: no display (DISPLAY and WAYLAND_DISPLAY are empty); try \"make demo\", "
                "or the command-line modes listed by ombrix --help.");
}

// A second desktop start found the directory held, and no window answered.
inline std::string directoryBusy(const std::string& directory) {
    return std::string(Text("ombrix: ein anderes ombrix-Programm hält ",
                            "ombrix: another ombrix program holds ")) +
           directory + Text(" und antwortet nicht.", " and does not answer.");
}

} // namespace ombrix::desktop_texts
