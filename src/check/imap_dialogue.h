#pragma once
// The check's conversation with an IMAP server: login, EXAMINE INBOX, the
// UIDNEXT and MESSAGES status, a shortcut when nothing changed, the UID list
// (known mails are copied from the last list), header, text start and size of
// each unknown mail, LOGOUT.

#include "check/account_check.h"

namespace ombrix {

// Fills check.workingList, or sets the account's errorFlag and errorText.
// Closes the connection and sets the account's checked in every case.
// Runs on the check thread.
void runImapDialogue(AccountCheck& check);

} // namespace ombrix
