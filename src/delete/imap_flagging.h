#pragma once
// The deletion run's conversation with an IMAP server: login, SELECT INBOX
// with the UIDVALIDITY check, UID STORE +FLAGS (\Deleted) for each selected
// mail, CLOSE (which removes them) and LOGOUT; after an abort only LOGOUT.

#include "delete/deletion_session.h"

#include <string>
#include <string_view>

namespace ombrix {

// The whole IMAP dialogue; ends with the close-down and Close in every case.
// Runs on the deletion thread.
void runImapDeletion(DeletionSession& session);

// The stored uid as the STORE command carries it: every blank removed.
std::string imapStoreUid(std::string_view uid);

// True when the uid names exactly one message: 1 to 10 decimal digits once
// the blanks are gone. Anything else (a set, a range, nothing) could flag
// other mails than the selected one.
bool imapUidSendable(std::string_view uid);

} // namespace ombrix
