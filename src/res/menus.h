#pragma once
// Menus as data: the tray icon's menu (149 German, 151 English) and the main
// window's menu bar, each entry with its German and English text and its
// command number (0 for a separator).

#include <span>

namespace ombrix::res {

inline constexpr int kTrayMenuGerman = 149;
inline constexpr int kTrayMenuEnglish = 151;

// Command numbers of the menus.
enum Command : int {
    kCmdAbout = 16,
    kCmdDeleteMail = 32774,
    kCmdDeleteAccount = 32780,
    kCmdViewMail = 32782,
    kCmdEditAccount = 32783,
    kCmdNewAccount = 32784,
    kCmdOpenWindow = 32789,
    kCmdQuit = 32790,
    kCmdCheckNow = 32791,
    kCmdAboutBox = 32792,
    kCmdHelp = 32793,
    kCmdStartWithDesktop = 32801,
    kCmdOpenMailClient = 32803,
    kCmdMarkAllRead = 32804,
    kCmdCheckForUpdate = 32806,
};

struct MenuItem {
    const char* german; // nullptr: separator
    const char* english;
    int command;
};

struct PopupMenu {
    const char* german;
    const char* english;
    std::span<const MenuItem> items;
};

// The one pop-up of the tray menu; item 0 is its default item.
const PopupMenu& trayMenu();

// The pop-ups of the main window's menu bar, left to right.
std::span<const PopupMenu> menuBar();

} // namespace ombrix::res
