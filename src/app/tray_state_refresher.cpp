#include "app/tray_state_refresher.h"

#include "check/account_status.h"
#include "core/account_table.h"
#include "core/commit_bracket.h"
#include "core/language.h"

namespace ombrix {

TrayState trayStateOfAccounts() {
    TrayState state;
    std::string notifyText;
    int mailTotal = 0;
    const TableAccess access;
    for (std::uint32_t k = 0; k < accountCount && k < kMaxAccounts; ++k) {
        const AccountRecord& account = accounts[k];
        const AccountStatus status = accountStatus(account);
        state.anyAccountFailed = state.anyAccountFailed || status.image == kImageFailed;
        if (status.image == kImageUnread)
            notifyText += unreadNotifyLine(account, status.unread);
        mailTotal += validMailCount(account);
        if (account.deactivated == 0)
            for (int i = 0; i < validMailCount(account); ++i)
                state.unreadTotal += account.mails[i].read == 0 ? 1 : 0;
    }
    const char* noNewMail = Text("Keine neuen Mails vorhanden", "No new mails");
    if (state.anyAccountFailed) {
        state.icon = TrayIconKind::Failure;
        state.tooltip = Text("Es konnte nicht zu einem Mailserver verbunden werden.\r\n Öffnen "
                             "sie OBX um mehr über den Fehler zu erfahren.",
                             "Could not connect to a mailserver.\r\n open Ombrix to get more "
                             "information.");
    } else if (mailTotal > 0 && state.unreadTotal > 0) {
        state.icon = TrayIconKind::NewMail;
        state.tooltip = notifyText.size() > 127 ? Text("Mehrere Konten haben neue Mails !",
                                                       "Several accounts have new mails !")
                                                : notifyText;
    } else {
        state.icon = TrayIconKind::Idle;
        state.tooltip = noNewMail;
    }
    return state;
}

void TrayStateRefresher::refreshLists(RefreshMode /*mode*/) {
    const TrayState state = trayStateOfAccounts();
    state_.unreadTotal = state.unreadTotal;
    showTray_(state.icon, state.tooltip);
}

} // namespace ombrix
