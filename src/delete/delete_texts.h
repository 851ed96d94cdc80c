#pragma once
// The texts of the deletion run, in both languages.

#include "check/language.h"

#include <string>

namespace ombrix::delete_texts {

inline std::string loggingIn() {
    return Text("Einloggen auf Mailserver...", "Logging in...");
}

inline std::string deletingTooltip() {
    return Text("Lösche Mail vom Server...", "deleting mail from server...");
}

inline std::string preparing() {
    return Text("Bereite Löschen vor...", "Preparing mails to delete...");
}

inline std::string deletingMail(const std::string& subject) {
    return Text("Lösche Mail mit Betreff - ", "Deleting mail with subject - ") + subject + " - ...";
}

inline std::string inconsistent() {
    return Text("Es scheint als hätte wären auf dem Server neue Mails angekommen, oder es wurden "
                "Mails vom Server gelöscht. Sicherheitshalber wird nichts gelöscht. Der Inhalt des "
                "Mailservers wird nun aktualisiert.",
                "It seems like there are new mails in this account or mails were deleted. No "
                "Mails will be deleted, but the content of this account will be updated now.");
}

inline std::string runFailed(const std::string& errorText) {
    return Text("Mail kann nicht gelöscht werden, Fehler:\n", "Could not delete mail, Error:\n") +
           errorText;
}

// The question of the delete-mail command, asked before any run starts.
inline std::string confirmDeletion() {
    return Text("Mail vom Server löschen: Ganz sicher ?\r\nEinmal gelöschte Mails können nicht "
                "mehr abgerufen werden.",
                "Are you sure you want to delete the mail directly from the server ?\r\n");
}

} // namespace ombrix::delete_texts
