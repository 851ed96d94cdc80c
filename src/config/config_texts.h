#pragma once
// The messages of the configuration store, German and English.

#include "core/language.h"

#include <string>

namespace ombrix::config_texts {

inline std::string iniOpenFailed() {
    return Text("Konnte nicht auf die Ini Datei zugreifen !", "could not open ini file !");
}

// A save that could not be written: the old file is still there.
inline std::string saveFailed(const std::string& file, const std::string& reason) {
    return std::string(Text("Konnte die Datei nicht speichern: ", "could not save the file: ")) +
           file + " (" + reason + "). " +
           Text("Die bisherige Datei bleibt unverändert.", "The previous file is unchanged.");
}

} // namespace ombrix::config_texts
