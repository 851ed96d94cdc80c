#pragma once
// The transport's own message boxes exist in German only.

namespace ombrix::net_texts {

inline constexpr const char* kNoSocket =
    "Fehler: Invalid socket nach eröffnung! Kein Zugriff auf Netzwerk";

} // namespace ombrix::net_texts
