#pragma once
// One account's marks on their way to its server, with everything the worker
// needs copied out of the table while its lock was held: the worker then
// touches neither the table nor the window.

#include "core/account_table.h"
#include "mark/imap_marking.h"
#include "mark/seen_marks.h"
#include "platform/secret_store.h"
#include "proto/imap_login.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace ombrix {

class ProgramConf;

struct MarkJob {
    SecretKey account; // names the account's entries in ombrix.conf
    ImapServer server;
    std::string uidValidity;           // of the account's list now
    std::vector<std::uint32_t> listed; // the UIDs of the account's list now
    SeenMarks fresh;                   // the marks just made; empty to send what is pending
};

// The job for the account, or nothing where marks stay local: a POP3 account,
// "mark read on the server too" switched off, a list without UIDVALIDITY.
// The caller holds the table.
std::optional<MarkJob> markJobOf(const AccountRecord& account, const ProgramConf& conf,
                                 SeenMarks fresh = {});

// Adds the fresh marks to the account's pending ones in ombrix.conf and drops
// those the list no longer bears out (expunged mails, a new UIDVALIDITY).
// False when nothing is pending then. Any thread.
bool storePendingMarks(const MarkJob& job);

// Sends the account's pending marks, then takes off what the server took (or
// what it can no longer take: a new UIDVALIDITY). What did not reach it stays
// pending. Runs on a worker thread.
MarkDelivery sendPendingMarks(const MarkJob& job, const CMailSocket::AbortFlag& abort,
                              const MarkTimeouts& timeouts = {});

// Both, for marks just made. Runs on a worker thread.
MarkDelivery deliverMarks(const MarkJob& job, const CMailSocket::AbortFlag& abort,
                          const MarkTimeouts& timeouts = {});

// Before a check lists the servers again: every active account's pending
// marks, one short session each. Runs on the check thread.
void sendPendingMarksOfTable(const CMailSocket::AbortFlag& abort,
                             const MarkTimeouts& timeouts = {});

} // namespace ombrix
