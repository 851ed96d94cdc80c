#include "check/fetched_mail.h"
#include "delete/delete_handover.h"
#include "delete/imap_flagging.h"
#include "delete/imap_replies.h"
#include "proto/imap_login.h"

namespace ombrix {

namespace {

constexpr std::uint32_t kHeaderHint = 2000;

class ImapVerification {
public:
    explicit ImapVerification(DeletionSession& session) : s_(session) {}

    bool run() {
        for (const std::int32_t k : s_.request.mailIndex) {
            if (s_.aborted())
                return false;
            const Verdict verdict = verifyMail(k);
            if (verdict == Verdict::Differs)
                s_.reportInconsistency();
            if (verdict != Verdict::Same)
                return false;
        }
        return true;
    }

private:
    // The mail that the server holds under the row's UID must carry the
    // row's subject: a row paired with another mail's UID would delete that mail.
    Verdict verifyMail(int k) {
        const std::optional<std::uint32_t> uid = imapUidNumber(s_.account.mails.uid(k));
        if (!uid)
            return Verdict::Differs;
        s_.socket.SendTagged("UID FETCH " + std::to_string(*uid) +
                             " (BODY.PEEK[HEADER.FIELDS (SUBJECT)])\r\n");
        const std::string_view reply =
            s_.reply.receiveTagged(s_.socket, s_.timeouts.replyMs, kHeaderHint, true);
        if (s_.aborted())
            return Verdict::Stopped;
        std::string refusal = imapReplyRefusal(reply);
        if (!refusal.empty()) {
            s_.fail(std::move(refusal));
            return Verdict::Stopped;
        }
        // No FETCH response for the UID: the mail is gone.
        const std::optional<std::string> header = imapFetchedBody(reply, *uid);
        if (!header || listedSubjectOf(*header) != s_.account.mails.subject(k))
            return Verdict::Differs;
        return Verdict::Same;
    }

    DeletionSession& s_;
};

} // namespace

bool verifyImapMails(DeletionSession& session) {
    return ImapVerification(session).run();
}

} // namespace ombrix
