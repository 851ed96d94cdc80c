#include "app/context_menus.h"

#include "app/command_texts.h"
#include "res/menus.h"

namespace ombrix {

using namespace command_texts;

std::vector<ContextEntry> accountMenuEntries(bool rowSelected, bool rowDeactivated) {
    if (!rowSelected)
        return {{newAccountEntry(), res::kCmdNewAccount}};
    return {rowDeactivated ? ContextEntry{activateEntry(), kCmdActivateAccount}
                           : ContextEntry{deactivateEntry(), kCmdDeactivateAccount},
            {editAccountEntry(), kCmdEditAccountRow},
            {deleteAccountEntry(), res::kCmdDeleteAccount}};
}

std::vector<ContextEntry> mailMenuEntries() {
    return {{viewMailEntry(), kCmdViewMailRow}, {deleteMailEntry(), kCmdDeleteMailRows}};
}

QPoint contextMenuPoint(const QRect& listOnScreen, std::optional<QPoint> rowPosition) {
    const QPoint row = rowPosition.value_or(QPoint(0, 0));
    return {listOnScreen.left() + 100 + row.x(), listOnScreen.top() + row.y()};
}

QPoint centredMenuCorner(QPoint point, int menuWidth) {
    return {point.x() - menuWidth / 2, point.y()};
}

} // namespace ombrix
