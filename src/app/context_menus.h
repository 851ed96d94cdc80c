#pragma once
// The context menus of the account list and the mail list: their entries and
// the point they open at.

#include <QPoint>
#include <QRect>
#include <optional>
#include <vector>

namespace ombrix {

// Commands that only the context menus carry.
enum ContextCommand : int {
    kCmdViewMailRow = 102,
    kCmdDeleteMailRows = 104,
    kCmdEditAccountRow = 105,
    kCmdDeactivateAccount = 107,
    kCmdActivateAccount = 108,
    kCmdCheckCertificate = 109,
};

struct ContextEntry {
    const char* text; // in the current language
    int command;
};

// The account list's menu: with no row only "new account"; with a row first
// activate or deactivate (by the account's state), then "check certificate"
// while the account's server certificate is not trusted, then edit and delete.
std::vector<ContextEntry> accountMenuEntries(bool rowSelected, bool rowDeactivated,
                                             bool certificateNotTrusted = false);

// The mail list's menu, shown only while a mail row is selected.
std::vector<ContextEntry> mailMenuEntries();

// The point a context menu is centred on (horizontally; it opens below it):
// 100 pixels right of the list's left edge plus the row's x position, at
// the list's top edge plus the row's y position. `rowPosition` is relative
// to the list's top left corner; without a row the list's own corner counts.
QPoint contextMenuPoint(const QRect& listOnScreen, std::optional<QPoint> rowPosition);

// The top left corner of a menu `menuWidth` wide centred on `point`.
QPoint centredMenuCorner(QPoint point, int menuWidth);

} // namespace ombrix
