#include "delete/imap_flagging.h"

#include "check/check_texts.h"
#include "check/imap_login.h"
#include "check/run_flags.h"
#include "delete/delete_handover.h"

#include <algorithm>

namespace ombrix {

namespace {

constexpr std::uint32_t kShortHint = 200;
constexpr std::size_t kMaxUidDigits = 10;
// "UIDVALIDITY" and one blank come before the value.
constexpr std::size_t kValidityOffset = 12;

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

std::string digitsAt(std::string_view text, std::size_t pos) {
    std::string digits;
    while (pos < text.size() && isDigit(text[pos]))
        digits += text[pos++];
    return digits;
}

class ImapFlagging {
public:
    explicit ImapFlagging(DeletionSession& session) : s_(session) {}

    void run() {
        imapRefused = 0; // a refusal left over from an earlier dialogue must not count
        if (login() && select())
            flagMails();
        closeDown();
    }

private:
    std::string_view command(const std::string& text, std::uint32_t timeoutMs) {
        s_.socket.SendTagged(text);
        return s_.reply.receiveTagged(s_.socket, timeoutMs, kShortHint, true);
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

    bool select() {
        const std::string_view reply = command("SELECT INBOX\r\n", s_.timeouts.replyMs);
        if (s_.aborted())
            return false;
        std::string refusal = imapReplyRefusal(reply);
        if (!refusal.empty()) {
            s_.fail(std::move(refusal));
            return false;
        }
        const std::size_t word = reply.find("UIDVALIDITY");
        const std::string validity = word == std::string_view::npos
                                         ? std::string()
                                         : digitsAt(reply, word + kValidityOffset);
        if (validity.empty()) {
            s_.fail(check_texts::noUidNext());
            return false;
        }
        if (validity != s_.account.uidValidity) {
            s_.reportInconsistency(); // the stored UIDs name other mails now
            return false;
        }
        return true;
    }

    // The content of a STORE reply is not examined: a refused flag deletes nothing.
    void flagMails() {
        for (std::uint32_t i = 0; i < deleteCount; ++i) {
            if (s_.aborted())
                return;
            const std::string uid = imapStoreUid(s_.account.uid[deleteMailIndex[i]]);
            const std::string_view reply =
                command("UID STORE " + uid + " +FLAGS (\\Deleted)\r\n", s_.timeouts.replyMs);
            if (s_.aborted())
                return;
            if (reply.empty()) {
                s_.fail(check_texts::noResponse());
                return;
            }
            imapRefused = 0;
        }
    }

    // CLOSE removes the flagged mails; after an abort they stay, only flagged.
    void closeDown() {
        if (s_.aborted()) {
            s_.socket.SendTagged("LOGOUT\r\n");
        } else {
            command("CLOSE\r\n", s_.timeouts.closeMs);
            s_.socket.SendTagged("LOGOUT\r\n");
        }
        s_.reply.receiveTagged(s_.socket, s_.timeouts.closeMs, kShortHint, true);
        imapRefused = 0;
        s_.socket.Close();
    }

    DeletionSession& s_;
};

} // namespace

std::string imapStoreUid(std::string_view uid) {
    std::string stored(uid);
    std::erase(stored, ' ');
    return stored;
}

bool imapUidSendable(std::string_view uid) {
    const std::string stored = imapStoreUid(uid);
    return !stored.empty() && stored.size() <= kMaxUidDigits &&
           std::ranges::all_of(stored, isDigit);
}

void runImapDeletion(DeletionSession& session) {
    ImapFlagging(session).run();
}

} // namespace ombrix
