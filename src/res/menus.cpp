#include "res/menus.h"

namespace ombrix::res {
namespace {

constexpr MenuItem trayItems[] = {
    {"Ombrix öffnen", "open Ombrix", kCmdOpenWindow},
    {"Mails überprüfen", "check mails now", kCmdCheckNow},
    {nullptr, nullptr, 0},
    {"Standard Mailprogramm öffnen", "open standard mailclient", kCmdOpenMailClient},
    {nullptr, nullptr, 0},
    {"Beenden", "quit", kCmdQuit},
};

constexpr PopupMenu trayPopup{"Mails checken", "Mails checken", trayItems};

constexpr MenuItem programItems[] = {
    {"Hilfe / Anleitung", "help / manual", kCmdHelp},
    {nullptr, nullptr, 0},
    {"mit Windows starten", "start with windows", kCmdStartWithDesktop},
    {nullptr, nullptr, 0},
    {"Auf Update prüfen", "check for update", kCmdCheckForUpdate},
    {"Info über...", "about...", kCmdAboutBox},
    {"Beenden", "quit", kCmdQuit},
};

constexpr MenuItem accountItems[] = {
    {"Neues Konto", "new account", kCmdNewAccount},
    {"Konto editieren", "edit account", kCmdEditAccount},
    {"Konto löschen", "delete account", kCmdDeleteAccount},
};

constexpr MenuItem mailItems[] = {
    {"Email vorschau", "view mail", kCmdViewMail},
    {"Email löschen", "delete mail", kCmdDeleteMail},
    {nullptr, nullptr, 0},
    {"Alle Emails als gelesen markieren", "mark all mails as read", kCmdMarkAllRead},
};

constexpr PopupMenu barPopups[] = {
    {"Programm", "Program", programItems},
    {"Emailkonto", "Account", accountItems},
    {"Email", "Mail", mailItems},
};

} // namespace

const PopupMenu& trayMenu() {
    return trayPopup;
}

std::span<const PopupMenu> menuBar() {
    return barPopups;
}

} // namespace ombrix::res
