#include "cli/cli_command.h"

namespace ombrix {
namespace {

constexpr CliCommand kCommands[] = {
    {"--help", "--help", "zeigt diese Hilfe", "shows this help", runHelp},
    {"--accounts", "--accounts",
     "listet die Konten: Nummer, Name, Server, Port, Protokoll, SSL, aktiv, wo das Passwort "
     "liegt (keyring oder file; oauth:ANBIETER bei OAuth-Anmeldung), pinned:MÄNGEL bei "
     "angenommenem Zertifikat (etwa pinned:self-signed,name-mismatch)",
     "lists the accounts: index, name, host, port, protocol, SSL, active, where the password "
     "lives (keyring or file; oauth:PROVIDER for an OAuth sign-in), pinned:FAULTS for an "
     "accepted certificate (such as pinned:self-signed,name-mismatch)",
     runAccounts},
    {"--add-account",
     "--add-account --name A --host H --user U [--imap] [--ssl] [--port P]\n"
     "                [--oauth google|microsoft|custom [--device-code]]\n"
     "                [--authorization-url URL --token-url URL --client-id ID --scope S\n"
     "                 [--device-url URL] [--client-secret-file F | --client-secret -]]",
     "legt ein Konto an; das Passwort kommt von der Standardeingabe. Mit --oauth meldet der "
     "Anbieter Sie im Browser an (die Adresse wird ausgegeben; --device-code: mit einem Code auf "
     "einem anderen Gerät, Microsoft); --oauth custom nimmt die Adressen, Client-ID und Scope des "
     "eigenen Anbieters, ein Client-Secret aus der Datei F oder mit - von der Standardeingabe "
     "(nie auf der Befehlszeile, wo jeder es mit ps sieht)",
     "adds an account; the password is read from standard input. With --oauth the provider signs "
     "you in in the browser (the address is printed; --device-code: with a code on another "
     "device, Microsoft); --oauth custom takes your provider's endpoints, client id and scope, "
     "and a client secret from file F or, with -, from standard input (never on the command "
     "line, where anyone sees it with ps)",
     runAddAccount, true},
    {"--list", "--list [N]", "zeigt die gespeicherte Mailliste von Konto N (oder aller Konten)",
     "prints the stored mail list of account N (or of every account)", runList},
    {"--unread", "--unread", "zeigt die Zahl ungelesener Mails aktiver Konten",
     "prints the number of unread mails of active accounts", runUnread},
    {"--check", "--check",
     "prüft alle Konten einmal und zeigt ihren Status; läuft das Desktop-Programm, prüft es "
     "stattdessen",
     "checks every account once and prints its status; while the desktop program runs, it "
     "checks instead",
     runCheck, true, true},
    {"--delete", "--delete N ROW... [--yes]",
     "löscht die Zeilen ROW von --list N auf dem Server (fragt vorher, außer mit --yes), dann "
     "prüft alle Konten",
     "deletes rows ROW of --list N on the server (asks first unless --yes), then checks every "
     "account",
     runDelete, true, false, true},
    {"--mark-read", "--mark-read N ROW...",
     "markiert die Zeilen ROW von --list N als gelesen, bei IMAP auch auf dem Server (ist er "
     "nicht zu erreichen, mit der nächsten Prüfung)",
     "marks rows ROW of --list N as read, for IMAP on the server too (when it cannot be "
     "reached, with the next check)",
     runMarkRead, true},
    {"--mark-unread", "--mark-unread N ROW...",
     "markiert die Zeilen ROW von --list N als ungelesen, bei IMAP auch auf dem Server",
     "marks rows ROW of --list N as unread, for IMAP on the server too", runMarkUnread, true},
    {"--trust", "--trust N [--yes | --forget]",
     "zeigt das Zertifikat des Servers von Konto N, das sich nicht überprüfen lässt, und "
     "akzeptiert es mit seinen Mängeln dauerhaft, wenn Sie \"ja\" eingeben (oder mit --yes); "
     "--forget vergisst das akzeptierte Zertifikat",
     "shows the certificate of account N's server that does not verify and pins it with its "
     "faults once you type \"yes\" (or with --yes); --forget forgets the pinned certificate",
     runTrust, true, false, true},
};

} // namespace

std::span<const CliCommand> cliCommands() {
    return kCommands;
}

} // namespace ombrix
