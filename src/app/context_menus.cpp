#include "app/context_menus.h"

#include "app/command_texts.h"
#include "net/certificate_texts.h"
#include "res/menus.h"

namespace ombrix {

using namespace command_texts;

std::vector<ContextEntry> accountMenuEntries(bool rowSelected, bool rowDeactivated,
                                             bool certificateNotTrusted) {
    if (!rowSelected)
        return {{newAccountEntry(), res::kCmdNewAccount}};
    std::vector<ContextEntry> entries{rowDeactivated
                                          ? ContextEntry{activateEntry(), kCmdActivateAccount}
                                          : ContextEntry{deactivateEntry(), kCmdDeactivateAccount}};
    if (certificateNotTrusted)
        entries.push_back({certificate_texts::checkCertificateEntry(), kCmdCheckCertificate});
    entries.push_back({editAccountEntry(), kCmdEditAccountRow});
    entries.push_back({deleteAccountEntry(), res::kCmdDeleteAccount});
    return entries;
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
