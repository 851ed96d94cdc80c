#include "delete/delete_handover.h"
#include "delete/delete_texts.h"
#include "delete/pop3_deletion.h"
#include "delete/pop3_replies.h"
#include "proto/pop3_login.h"
#include "proto/pop3_reply_values.h"
#include "proto/session_texts.h"

namespace ombrix {

namespace {

constexpr std::uint32_t kNoopReplySize = 3000;
constexpr std::uint32_t kLineReplySize = 1000000;

class Pop3Verification {
public:
    Pop3Verification(DeletionSession& session, std::uint64_t mailsOnServer)
        : s_(session), mailsOnServer_(mailsOnServer) {}

    bool run() {
        s_.progress.text(delete_texts::preparing());
        const int count = static_cast<int>(s_.request.mailIndex.size());
        for (int i = 0; i < count; ++i) {
            if (s_.aborted())
                return false;
            s_.progress.range(0, count);
            s_.progress.position(i);
            const Verdict verdict = verifyMail(s_.request.mailIndex[i], s_.request.position[i]);
            if (verdict == Verdict::Differs)
                s_.reportInconsistency();
            if (verdict != Verdict::Same)
                return false;
        }
        return true;
    }

private:
    Verdict verifyMail(int k, std::uint32_t position) {
        if (std::uint64_t{position} + 1 > mailsOnServer_)
            return Verdict::Differs; // the mailbox has shrunk below it
        const std::string number = pop3MessageNumber(position);
        resynchronise();

        std::string_view reply = pop3Command(s_, "UIDL " + number + "\r\n", s_.timeouts.replyMs,
                                             kLineReplySize, true, false);
        if (!answered(reply))
            return Verdict::Stopped;
        const std::optional<std::string> uid = pop3CurrentUid(reply, number);
        if (!uid || !pop3UidPasses(*uid, s_.account.mails.uid(k)))
            return Verdict::Differs;

        reply = pop3Command(s_, "LIST " + number + "\r\n", s_.timeouts.replyMs, kLineReplySize,
                            true, false);
        if (!answered(reply))
            return Verdict::Stopped;
        if (!pop3ReplyNames(reply, number))
            return Verdict::Differs;
        const std::uint32_t size = pop3ListSize(reply);

        reply =
            pop3Command(s_, "TOP " + number + " 100\r\n", s_.timeouts.replyMs, size, false, false);
        if (!answered(reply))
            return Verdict::Stopped;
        // Without a unique id and without the header nothing shows which mail this is.
        if (*uid == kNoUidl && !reply.starts_with('+'))
            return Verdict::Differs;
        return pop3TopSubject(reply) == s_.account.mails.subject(k) ? Verdict::Same
                                                                    : Verdict::Differs;
    }

    // Swallows what is left of an earlier multi-line reply, so that the next
    // reply read is the one to the next command.
    void resynchronise() {
        const std::string_view reply =
            pop3Command(s_, "NOOP\r\n", s_.timeouts.replyMs, kNoopReplySize, true, false);
        if (reply.size() < 5 || !reply.starts_with("+O"))
            s_.reply.receiveReply(s_.socket, s_.timeouts.replyMs, kNoopReplySize, true, false);
    }

    // False after an abort (nothing recorded) or a missing reply (a failure).
    // A reply cut short by the time-out or the end of the stream is missing
    // too: what proves a mail must be whole, and its rest, still on its way,
    // would be read as the answer to the next command (a DELE among them).
    bool answered(std::string_view reply) {
        if (s_.aborted())
            return false;
        const bool whole = !reply.empty() && s_.reply.complete();
        if (!whole)
            s_.fail(session_texts::noResponse());
        return whole;
    }

    DeletionSession& s_;
    std::uint64_t mailsOnServer_;
};

} // namespace

bool verifyPop3Mails(DeletionSession& session, std::uint64_t mailsOnServer) {
    return Pop3Verification(session, mailsOnServer).run();
}

} // namespace ombrix
