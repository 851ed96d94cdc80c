#pragma once
// The check's conversation with an IMAP server: login, EXAMINE INBOX, the
// UIDNEXT and MESSAGES status, a shortcut when nothing changed, the UID list
// (known mails are copied from the last list), header, text start and size of
// each unknown mail, LOGOUT. Where the account's read state follows the
// server, the UID list carries each mail's flags, and the shortcut still asks
// for the flags that changed: all of them, or only those changed since the
// last check's HIGHESTMODSEQ where the server has CONDSTORE.

#include "check/account_check.h"

namespace ombrix {

// Fills check.workingList, or sets the account's errorFlag and errorText.
// Closes the connection and sets the account's checked in every case.
// Runs on the check thread.
void runImapDialogue(AccountCheck& check);

} // namespace ombrix
