#pragma once
// What the POP3 and IMAP deletion dialogues work with: the account (for its
// settings and mails, and for errorFlag and errorText), the mails to delete, the run's connection
// and bounded receive buffer, the wait dialog, and the time-outs.

#include "check/check_progress.h"
#include "core/account_table.h"
#include "core/run_flags.h"
#include "core/run_host.h"
#include "delete/delete_handover.h"
#include "net/mail_socket.h"
#include "proto/reply_buffer.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace ombrix {

// Receive time-outs of the deletion dialogues, in milliseconds.
struct DeleteTimeouts {
    std::uint32_t replyMs = 16000;    // every reply that must come
    std::uint32_t deleRetryMs = 8000; // the second read of a DELE reply
    std::uint32_t closeMs = 3000;     // the IMAP CLOSE and LOGOUT replies
};

// What the verification of one mail found: the server still holds the mail
// the row names, another one, or the session stopped before it could tell.
enum class Verdict { Same, Differs, Stopped };

class DeletionSession {
public:
    static constexpr std::size_t kReceiveCapacity = 300000;

    DeletionSession(AccountRecord& account, const DeletionRequest& request, RunHost& host,
                    const DeleteTimeouts& timeouts)
        : account(account), request(request), host(host), progress(host), timeouts(timeouts) {
        socket.setFaultNotice(
            [&host](const std::string& text) { host.messageBox(text, BoxKind::Ok); });
    }

    // Each runs on the deletion thread.
    void fail(std::string text);
    bool failed() const { return account.errorFlag != 0; }
    bool aborted() const;
    // The server no longer holds the selected mails where the list says: tell
    // the user (once) and delete nothing. Not a failure.
    void reportInconsistency();
    bool inconsistent() const { return inconsistent_; }
    // Nothing is deleted because the user (or the command line) would not let
    // the deletion take other mails with it; `why` says so. Not a failure.
    void decline(std::string why);
    bool declined() const { return declined_; }
    // The server did not confirm a deletion (a refused flag, expunge or QUIT);
    // `serverText` is its answer. The run goes on as described; the
    // outcome says that not every selected mail is gone.
    void leaveUnconfirmed(std::string_view serverText);
    bool unconfirmed() const { return !unconfirmed_.empty(); }
    const std::string& why() const { return why_; }

    AccountRecord& account; // the run writes it only inside a commit bracket
    const DeletionRequest& request;
    RunHost& host;
    CMailSocket socket{abortRequest};
    ReplyBuffer reply{kReceiveCapacity};
    CheckProgress progress;
    const DeleteTimeouts& timeouts;

private:
    bool inconsistent_ = false;
    bool declined_ = false;
    std::string unconfirmed_;
    std::string why_;
};

} // namespace ombrix
