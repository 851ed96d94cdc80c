#pragma once
// The short read-write session that tells an IMAP server of marks made in
// Ombrix: login, SELECT INBOX, the UIDVALIDITY check, UID STORE
// +FLAGS.SILENT (\Seen) for the mails read and -FLAGS.SILENT (\Seen) for
// those unread again, LOGOUT. Always by UID, never by position: the server
// may have expunged or added mails since the list was made. Silent towards
// the user: what does not arrive is sent again with the next check, and a
// fault of the server is the check's to report.

#include "mark/seen_marks.h"
#include "net/mail_socket.h"
#include "proto/imap_login.h"

#include <cstdint>

namespace ombrix {

enum class MarkDelivery {
    Sent,      // the server took every mark (a UID it no longer holds needs none)
    Stale,     // the mailbox has another UIDVALIDITY: the marks name no mail now
    Unreached, // no connection, a refused login or command, an abort: kept
    Held,      // not tried, a run is busy: kept
};

struct MarkTimeouts {
    std::uint32_t replyMs = 8000; // the connect and every reply
};

// Runs on a worker thread; returns when the session is closed.
MarkDelivery storeSeenMarks(const ImapServer& server, const SeenMarks& marks,
                            const CMailSocket::AbortFlag& abort, const MarkTimeouts& timeouts = {});

} // namespace ombrix
