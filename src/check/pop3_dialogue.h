#pragma once
// The check's conversation with a POP3 server: login, STAT, UIDL (known mails
// are copied from the last list), LIST and TOP n 100 for each unknown mail with
// a NOOP keep-alive in between (a silent NOOP means a new session), QUIT.

#include "check/account_check.h"

namespace ombrix {

// Fills check.workingList, or sets the account's errorFlag and errorText.
// Closes the connection in every case. Runs on the check thread.
void runPop3Dialogue(AccountCheck& check);

} // namespace ombrix
