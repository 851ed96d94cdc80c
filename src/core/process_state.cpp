#include "core/process_state.h"

#include "core/account_table.h"
#include "core/run_flags.h"

namespace ombrix {

void resetAccountsAndFlags() {
    for (auto& account : accounts)
        clearAccount(account);
    accountCount = 0;
    checkRunning = 0;
    deleteRunning = 0;
    abortRequest = 0;
    dataIdle = 1;
    windowHidden = 0;
    waitDialogReady = 0;
    closeOnButton = 0;
    imapRefused = 0;
}

} // namespace ombrix
