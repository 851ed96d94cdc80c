#pragma once
// The texts of the deletion run, in both languages.

#include "core/language.h"

#include <cstddef>
#include <string>
#include <string_view>

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

inline std::string deletingMail(std::string_view subject) {
    return Text("Lösche Mail mit Betreff - ", "Deleting mail with subject - ") +
           std::string(subject) + " - ...";
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

// Asked before a server without UIDPLUS closes the mailbox: CLOSE removes
// every mail marked as deleted, also those another program marked.
inline std::string othersDeletedQuestion(std::size_t others) {
    const std::string n = std::to_string(others);
    if (others == 1)
        return Text("1 weitere Mail dieses Postfachs ist von einem anderen Programm als gelöscht "
                    "markiert. Dieser Server kann die ausgewählten Mails nicht entfernen, ohne "
                    "auch diese zu entfernen.\r\nAlle löschen? (Nein löscht nichts.)",
                    "1 other mail in this mailbox is marked as deleted by another program. This "
                    "server cannot remove the selected mails without removing that one too.\r\n"
                    "Delete all of them? (No deletes nothing.)");
    return Language == 0
               ? n + " weitere Mails dieses Postfachs sind von einem anderen Programm als gelöscht "
                     "markiert. Dieser Server kann die ausgewählten Mails nicht entfernen, ohne "
                     "auch diese zu entfernen.\r\nAlle löschen? (Nein löscht nichts.)"
               : n + " other mails in this mailbox are marked as deleted by another program. This "
                     "server cannot remove the selected mails without removing those too.\r\n"
                     "Delete all of them? (No deletes nothing.)";
}

// Why nothing was deleted when that question was answered No.
inline std::string othersDeletedRefusal(std::size_t others) {
    const std::string n = std::to_string(others);
    return Language == 0
               ? "Nichts gelöscht: " + n +
                     " weitere Mail(s) dieses Postfachs sind von einem anderen Programm als "
                     "gelöscht markiert, und dieser Server (ohne UIDPLUS) würde sie mit den "
                     "ausgewählten Mails entfernen."
               : "Nothing deleted: " + n +
                     " other mail(s) in this mailbox are marked as deleted by another program, "
                     "and this server (without UIDPLUS) would remove them with the selected mails.";
}

// The server did not confirm every deletion; serverText is its answer.
inline std::string notConfirmed(const std::string& serverText) {
    return Text("Nicht jede ausgewählte Mail wurde gelöscht, der Server antwortete:\n",
                "Not every selected mail was deleted, the server answered:\n") +
           serverText;
}

inline std::string aborted() {
    return Text("Abgebrochen: nicht jede ausgewählte Mail wurde gelöscht.",
                "Aborted: not every selected mail was deleted.");
}

inline std::string notStarted() {
    return Text("Ein anderer Abruf oder Löschlauf ist aktiv: nichts gelöscht.",
                "Another check or deletion is running: nothing deleted.");
}

// The question of the delete-mail command, asked before any run starts.
inline std::string confirmDeletion() {
    return Text("Mail vom Server löschen: Ganz sicher ?\r\nEinmal gelöschte Mails können nicht "
                "mehr abgerufen werden.",
                "Are you sure you want to delete the mail directly from the server ?\r\n");
}

} // namespace ombrix::delete_texts
