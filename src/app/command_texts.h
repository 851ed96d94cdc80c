#pragma once
// The texts of the main window's commands, German and English.

#include "core/language.h"

namespace ombrix::command_texts {

// The maker's pages, the same for both languages.
inline constexpr const char* kHomePage = "https://ombrix.org";
inline constexpr const char* kUpdatePage = "https://ombrix.org/update";

inline const char* noMailClient() {
    return Text("Ein Standardmailprogramm wurde auf Ihrem Computer nicht gefunden.\nStellen Sie "
                "sicher dass eines korrekt installiert ist.",
                "A standard mailclient could not be found !");
}

inline const char* helpFile() {
    return Text("Hilfe.html", "Manual.html");
}

inline const char* helpFailed() {
    return Text("Der Versuch ihren Internetbrowser zu öffnen um die Hilfe anzuzeigen, schlug "
                "fehl. Starten sie die Hilfe im HTML Format manuell.",
                "Could not open your internet browser to show the help file. Please start the "
                "help file (it is in html format) by doubleclicking it. It is located in the "
                "Ombrix folder");
}

inline const char* browserFailed() {
    return Text("Ihr Internetbrowser konnte nicht gestartet werden.\nMehr Informationen über "
                "Ombrix finden Sie unter https://ombrix.org",
                "Your internet browser could not be started.\nFor more information about Ombrix "
                "visit https://ombrix.org");
}

inline const char* noAccountToEdit() {
    return Text("Kein Emailkonto zum editieren ausgewählt", "No account selected");
}

inline const char* noAccountToDelete() {
    return Text("Kein Konto zum löschen angewählt !", "First select a account to delete !");
}

inline const char* confirmAccountDeletion() {
    return Text("Sind sie sicher dass sie das Konto entfernen möchten ?",
                "Are you sure you want to remove this account ?");
}

inline const char* noAccountToDeactivate() {
    return Text("Kein Emailkonto zum Deaktivieren ausgewählt", "No account selected !");
}

inline const char* noAccountToActivate() {
    return Text("Kein Emailkonto zum Aktivieren ausgewählt", "No account selected !");
}

inline const char* noMailToDelete() {
    return Text("Keine Email zum löschen ausgewählt !", "No mails to delete selected !");
}

// The context menus.
inline const char* viewMailEntry() {
    return Text("ansehen", "view");
}
inline const char* deleteMailEntry() {
    return Text("entfernen", "delete");
}
inline const char* newAccountEntry() {
    return Text("neues Emailkonto", "new account");
}
inline const char* activateEntry() {
    return Text("Emailkonto aktivieren", "activate account");
}
inline const char* deactivateEntry() {
    return Text("Emailkonto deaktivieren", "deactivate account");
}
inline const char* editAccountEntry() {
    return Text("Emailkonto editieren", "edit account");
}
inline const char* deleteAccountEntry() {
    return Text("Emailkonto entfernen", "delete account");
}

} // namespace ombrix::command_texts
