#pragma once
// The texts that the check run shows as its progress, in both languages; what
// a session with the server writes into an account's errorText is in
// proto/session_texts.h.

#include "core/language.h"

#include <cstdint>
#include <string>

namespace ombrix::check_texts {

inline std::string checkingTooltip() {
    return Text("Überprüfe Server auf Mail...", "checking mails...");
}

inline std::string checkingAccount(const std::string& name) {
    return Language == 0 ? "Prüfe " + name + " auf Mail..." : "checking " + name + " ...";
}

inline std::string readingMail(const std::string& name, std::uint64_t number,
                               const std::string& total) {
    return name + Text(": Lese Mail ", ": reading mail ") + std::to_string(number) + " / " + total;
}

} // namespace ombrix::check_texts
