#pragma once
// The deletion run's conversation with an IMAP server: login, CAPABILITY,
// SELECT INBOX with the UIDVALIDITY check, the subject proof of every
// selected mail, UID STORE +FLAGS (\Deleted) for each, and the removal of
// exactly those mails: UID EXPUNGE where the server has UIDPLUS, else CLOSE,
// which takes every mail marked deleted and is therefore asked about first
// when another program marked some. LOGOUT ends it.

#include "delete/deletion_session.h"

#include <string_view>

namespace ombrix {

// The whole IMAP dialogue; ends with LOGOUT and Close in every case.
// Runs on the deletion thread.
void runImapDeletion(DeletionSession& session);

// The proof: true when the server holds every mail of the hand-over under its
// stored UID with its stored subject. False after an abort, a failure
// (recorded) or a difference (reported). Runs on the deletion thread.
bool verifyImapMails(DeletionSession& session);

// True when the uid names exactly one message (see imapUidNumber).
bool imapUidSendable(std::string_view uid);

} // namespace ombrix
