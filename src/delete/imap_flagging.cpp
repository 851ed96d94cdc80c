#include "delete/imap_flagging.h"

#include "core/run_flags.h"
#include "core/run_host.h"
#include "delete/delete_handover.h"
#include "delete/delete_texts.h"
#include "delete/imap_replies.h"
#include "proto/imap_completion.h"
#include "proto/imap_login.h"
#include "proto/session_texts.h"

#include <algorithm>
#include <vector>

namespace ombrix {

namespace {

constexpr std::uint32_t kShortHint = 200;

class ImapFlagging {
public:
    explicit ImapFlagging(DeletionSession& session) : s_(session) {}

    void run() {
        imapRefused = 0; // a refusal left over from an earlier dialogue must not count
        if (login() && capabilities() && select() && verifyImapMails(s_) && closeIsSafe())
            flagMails();
        closeDown();
    }

private:
    std::string_view command(const std::string& text, std::uint32_t timeoutMs) {
        s_.socket.SendTagged(text);
        return s_.reply.receiveTagged(s_.socket, timeoutMs, kShortHint, true);
    }

    // The reply to the last command ended with its tagged OK.
    bool completedOk(std::string_view reply) const {
        return imapCompletedOk(reply, imapTagOf(s_.socket.lastCommand()));
    }

    // The reply to a command the dialogue cannot go on without.
    bool accepted(std::string_view reply) {
        if (s_.aborted())
            return false;
        std::string refusal = imapReplyRefusal(reply);
        if (refusal.empty())
            return true;
        s_.fail(std::move(refusal));
        return false;
    }

    bool login() {
        LoginResult result = imapLogin(s_.socket, s_.reply, s_.account, {s_.timeouts.replyMs});
        if (result.loggedIn())
            return true;
        // An abort is a failure only while connecting: the connect then failed.
        const bool connectAborted = s_.socket.lastFailureReason() == "aborted";
        if (result.status == LoginStatus::Failed || connectAborted)
            s_.fail(std::move(result.errorText));
        return false;
    }

    // Asked after the login, when the server names all it can do. A refused
    // CAPABILITY only means no UIDPLUS.
    bool capabilities() {
        const std::string_view reply = command("CAPABILITY\r\n", s_.timeouts.replyMs);
        if (s_.aborted())
            return false;
        if (reply.empty()) {
            s_.fail(session_texts::noResponse());
            return false;
        }
        uidPlus_ = imapRefused == 0 && imapAnnounces(reply, "UIDPLUS");
        imapRefused = 0;
        return true;
    }

    bool select() {
        const std::string_view reply = command("SELECT INBOX\r\n", s_.timeouts.replyMs);
        if (!accepted(reply))
            return false;
        const std::string validity = imapUidValidity(reply);
        if (validity.empty()) {
            s_.fail(session_texts::noUidNext());
            return false;
        }
        if (validity != s_.account.uidValidity) {
            s_.reportInconsistency(); // the stored UIDs name other mails now
            return false;
        }
        return true;
    }

    // Without UIDPLUS only CLOSE removes mails, and it removes every mail
    // marked deleted: those another program marked must not go unasked.
    bool closeIsSafe() {
        if (uidPlus_)
            return true;
        const std::string_view reply = command("UID SEARCH DELETED\r\n", s_.timeouts.replyMs);
        if (!accepted(reply))
            return false;
        if (!completedOk(reply)) {
            s_.fail(session_texts::noResponse()); // a cut list could hide marked mails
            return false;
        }
        const std::optional<std::vector<std::uint32_t>> marked = imapSearchNumbers(reply);
        if (!marked) {
            s_.fail(session_texts::protocolFault());
            return false;
        }
        const std::size_t others = othersAmong(*marked);
        if (others == 0)
            return true;
        const BoxAnswer answer =
            s_.host.messageBox(delete_texts::othersDeletedQuestion(others), BoxKind::YesNoQuestion);
        if (answer == BoxAnswer::Yes)
            return !s_.aborted();
        s_.decline(delete_texts::othersDeletedRefusal(others));
        return false;
    }

    // The marked mails that are not among the selected ones.
    std::size_t othersAmong(const std::vector<std::uint32_t>& marked) const {
        std::vector<std::uint32_t> selected;
        for (const std::int32_t k : s_.request.mailIndex)
            if (const auto uid = imapUidNumber(s_.account.mails.uid(k)))
                selected.push_back(*uid);
        std::vector<std::uint32_t> others = marked;
        std::ranges::sort(others);
        others.erase(std::unique(others.begin(), others.end()), others.end());
        std::erase_if(others, [&](std::uint32_t uid) {
            return std::ranges::find(selected, uid) != selected.end();
        });
        return others.size();
    }

    // A refused STORE does not stop the run: that mail is not flagged, so it
    // is not expunged either, and the outcome says so.
    void flagMails() {
        for (const std::int32_t k : s_.request.mailIndex) {
            if (s_.aborted())
                return;
            const std::uint32_t uid = *imapUidNumber(s_.account.mails.uid(k));
            const std::string_view reply =
                command("UID STORE " + std::to_string(uid) + " +FLAGS (\\Deleted)\r\n",
                        s_.timeouts.replyMs);
            if (s_.aborted())
                return;
            if (reply.empty()) {
                s_.fail(session_texts::noResponse());
                return;
            }
            if (!completedOk(reply))
                s_.leaveUnconfirmed(reply);
            else
                flagged_.push_back(uid);
            imapRefused = 0;
        }
    }

    // Only what this run flagged is removed; after an abort the flagged mails
    // stay, only flagged.
    void closeDown() {
        if (!s_.aborted() && !flagged_.empty())
            expunge();
        s_.socket.SendTagged("LOGOUT\r\n");
        s_.reply.receiveTagged(s_.socket, s_.timeouts.closeMs, kShortHint, true);
        imapRefused = 0;
        s_.socket.Close();
    }

    void expunge() {
        const std::string line =
            uidPlus_ ? "UID EXPUNGE " + imapUidSet(flagged_) + "\r\n" : "CLOSE\r\n";
        const std::string_view reply = command(line, s_.timeouts.replyMs);
        if (!completedOk(reply))
            s_.leaveUnconfirmed(reply);
        imapRefused = 0;
    }

    DeletionSession& s_;
    bool uidPlus_ = false;
    std::vector<std::uint32_t> flagged_;
};

} // namespace

bool imapUidSendable(std::string_view uid) {
    return imapUidNumber(uid).has_value();
}

void runImapDeletion(DeletionSession& session) {
    ImapFlagging(session).run();
}

} // namespace ombrix
