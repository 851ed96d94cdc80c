#include "check/imap_dialogue.h"

#include "check/check_texts.h"
#include "check/fetched_mail.h"
#include "check/imap_mail_batches.h"
#include "net/mail_socket.h"
#include "platform/ascii.h"
#include "proto/imap_completion.h"
#include "proto/imap_fetch_response.h"
#include "proto/imap_login.h"
#include "proto/imap_sasl.h"
#include "proto/session_texts.h"

#include <algorithm>
#include <charconv>
#include <optional>
#include <string>
#include <utility>

namespace ombrix {

namespace {

constexpr std::uint32_t kShortHint = 200;
constexpr std::uint32_t kListHint = 300000;
constexpr std::uint32_t kMailHint = 1000000;

// The run of decimal digits that starts at pos (empty when pos is past the end).
std::string digitsAt(std::string_view text, std::size_t pos) {
    std::string digits;
    while (pos < text.size() && isAsciiDigit(text[pos]))
        digits += text[pos++];
    return digits;
}

// Whether the login's reply lists CONDSTORE (or QRESYNC, which includes it)
// among the capabilities: in a "* CAPABILITY" line, or in the code of its
// completion, where servers put them once the user is known.
bool offersCondstore(std::string_view loginReply) {
    std::vector<std::string> words = imapCapabilities(loginReply);
    if (const std::size_t code = imapKeywordAt(loginReply, "[CAPABILITY ");
        code != std::string_view::npos) {
        std::string_view list = loginReply.substr(code + 12);
        list = list.substr(0, list.find_first_of("]\r\n"));
        for (std::size_t pos = 0; pos < list.size();) {
            const std::size_t end = std::min(list.find(' ', pos), list.size());
            words.emplace_back(list.substr(pos, end - pos));
            pos = end + 1;
        }
    }
    return std::ranges::any_of(words, [](const std::string& word) {
        return equalsIgnoringCase(word, "CONDSTORE") || equalsIgnoringCase(word, "QRESYNC");
    });
}

class ImapDialogue {
public:
    explicit ImapDialogue(AccountCheck& check) : c_(check) {}

    void run() {
        if (talk() && !c_.aborted() && !c_.failed())
            command("LOGOUT\r\n", kShortHint);
        c_.socket.Close();
        c_.account.checked = 1; // a failure still shows through errorFlag
    }

private:
    bool talk() {
        LoginResult login = imapLogin(c_.socket, c_.reply, c_.account, {c_.timeouts.replyMs});
        if (!login.loggedIn()) {
            if (login.status == LoginStatus::Failed)
                c_.fail(std::move(login.errorText));
            return false;
        }
        AccountRecord& working = c_.workingList;
        // Only a check that read the server's flags may say how recent they are.
        const std::string knownModseq = std::exchange(working.highestModseq, {});
        condstore_ = c_.followServer && offersCondstore(c_.reply.text());
        if (!examine() || !statusUidNext() || !statusMessages())
            return false;
        const std::string modseqBefore = uidValidityChanged_ ? std::string() : knownModseq;
        if (count_ == static_cast<std::uint64_t>(working.mailCount) &&
            uidNext_ == working.uidNext && !uidValidityChanged_) {
            if (c_.followServer && !readChangedFlags(modseqBefore))
                return false;
            c_.keepPreviousList(); // no mail came or went since the last check
            working.highestModseq = modseq_;
            return true;
        }
        working.uidNext = uidNext_;
        c_.beginListing(count_);
        if (count_ >= 1 && !(listUids() && fetchMails()))
            return false;
        working.highestModseq = modseq_;
        return true;
    }

    std::string_view command(const std::string& text, std::uint32_t hint) {
        c_.socket.SendTagged(text);
        return c_.reply.receiveTagged(c_.socket, c_.timeouts.replyMs, hint, true);
    }

    // The reply to EXAMINE or STATUS: present, whole and not refused.
    bool accepted() {
        if (c_.aborted())
            return false;
        std::string refusal = imapReplyRefusal(c_.reply);
        if (!refusal.empty())
            c_.fail(std::move(refusal));
        return refusal.empty() && !c_.failed();
    }

    bool examine() {
        const std::string_view reply =
            command(condstore_ ? "EXAMINE INBOX (CONDSTORE)\r\n" : "EXAMINE INBOX\r\n", kShortHint);
        if (!accepted())
            return false;
        if (c_.followServer)
            modseq_ = highestModseq(reply);
        const std::size_t word = imapKeywordAt(reply, "UIDVALIDITY");
        if (word == std::string_view::npos) {
            c_.fail(session_texts::noUidNext());
            return false;
        }
        std::string validity = digitsAt(reply, word + 12);
        AccountRecord& working = c_.workingList;
        if (validity != working.uidValidity) {
            uidValidityChanged_ = true;
            // UIDs of another UIDVALIDITY name other mails: nothing may be copied by them.
            if (!working.uidValidity.empty())
                c_.reuseKnownMails = false;
            working.uidValidity = std::move(validity);
        }
        return true;
    }

    // A server that keeps modification sequences names the mailbox's highest
    // one in its EXAMINE reply, whether asked for or not; "" when it does not.
    static std::string highestModseq(std::string_view reply) {
        const std::size_t word = imapKeywordAt(reply, "HIGHESTMODSEQ ");
        return word == std::string_view::npos ? std::string() : digitsAt(reply, word + 14);
    }

    // The read flags of a mailbox whose mails stayed the same. With the
    // modification sequence of the last check, only the mails changed since
    // (nothing at all when it stayed the same); without one, every mail's:
    // no cheaper way tells that another client read or unread a mail.
    bool readChangedFlags(const std::string& modseqBefore) {
        if (count_ == 0 || (!modseq_.empty() && modseq_ == modseqBefore))
            return true;
        if (!modseq_.empty() && !modseqBefore.empty()) {
            c_.socket.SendTagged("UID FETCH 1:* (FLAGS) (CHANGEDSINCE " + modseqBefore + ")\r\n");
            std::optional<ImapFlagListing> changed = receiveImapFlagListing(c_, 1, 0);
            if (!changed)
                return false;
            if (!changed->refused) {
                c_.serverSeen = std::move(changed->seen);
                return true;
            }
            // It announced CONDSTORE and refused it: every flag, then.
        }
        const std::uint64_t first = count_ - std::min<std::uint64_t>(count_, kMaxMails) + 1;
        c_.socket.SendTagged("FETCH " + std::to_string(first) + ":* (UID FLAGS)\r\n");
        std::optional<ImapFlagListing> flags = receiveImapFlagListing(c_, first, 0);
        if (!flags)
            return false;
        if (flags->refused) {
            c_.fail(std::move(flags->refusal));
            return false;
        }
        c_.serverSeen = std::move(flags->seen);
        return true;
    }

    bool statusUidNext() {
        const std::string_view reply = command("STATUS INBOX (UIDNEXT)\r\n", kShortHint);
        if (!accepted())
            return false;
        const std::size_t word = imapKeywordAt(reply, "UIDNEXT");
        if (word == std::string_view::npos) {
            c_.fail(session_texts::noUidNext());
            return false;
        }
        uidNext_ = digitsAt(reply, word + 8);
        return true;
    }

    bool statusMessages() {
        const std::string_view reply = command("STATUS INBOX (MESSAGES)\r\n", kShortHint);
        if (!accepted())
            return false;
        const std::size_t word = imapKeywordAt(reply, "MESSAGES");
        if (word == std::string_view::npos) {
            c_.fail(session_texts::protocolFault());
            return false;
        }
        const std::size_t digits = word + 9;
        if (digits >= reply.size() || !isAsciiDigit(reply[digits])) {
            c_.fail(session_texts::noResponse());
            return false;
        }
        const std::optional<std::uint64_t> count = readMessageCount(reply, digits);
        if (!count) {
            c_.fail(session_texts::protocolFault());
            return false;
        }
        count_ = *count;
        countText_ = std::to_string(*count);
        return true;
    }

    // Each UID goes to the message its FETCH line names; a mailbox larger than
    // the list is listed from its newest mails on.
    bool listUids() {
        if (c_.followServer)
            return listUidsWithFlags();
        const std::string first = std::to_string(c_.firstNumber);
        const std::string_view reply = command("FETCH " + first + ":* UID\r\n", kListHint);
        if (!c_.answered())
            return false;
        if (imapReplyExpunges(reply)) {
            c_.fail(session_texts::protocolFault()); // the numbers paired no longer hold
            return false;
        }
        const int listed = c_.workingList.mailCount;
        const std::vector<std::string_view> uids = imapFetchUids(reply, c_.firstNumber, listed);
        if (std::ranges::any_of(uids, [](std::string_view uid) { return uid.empty(); })) {
            c_.fail(session_texts::protocolFault()); // a mail the server did not name
            return false;
        }
        for (int i = 0; i < listed; ++i)
            c_.takeUid(i, uids[static_cast<std::size_t>(i)]);
        return true;
    }

    // As listUids, with each mail's flags in the same round trip.
    bool listUidsWithFlags() {
        const int listed = c_.workingList.mailCount;
        c_.socket.SendTagged("FETCH " + std::to_string(c_.firstNumber) + ":* (UID FLAGS)\r\n");
        std::optional<ImapFlagListing> listing = receiveImapFlagListing(c_, c_.firstNumber, listed);
        if (!listing)
            return false;
        if (listing->refused || std::ranges::any_of(listing->uids, [](const std::string& uid) {
                return uid.empty();
            })) {
            c_.fail(session_texts::protocolFault()); // a mail the server did not name
            return false;
        }
        c_.serverSeen = std::move(listing->seen);
        for (int i = 0; i < listed; ++i)
            c_.takeUid(i, listing->uids[static_cast<std::size_t>(i)]);
        return true;
    }

    // In batches where the server takes them; what a batch left goes one
    // mail at a time.
    bool fetchMails() {
        ImapBatchLimits limits;
        limits.mailsPerBatch = c_.timeouts.imapBatchMails;
        const std::optional<std::vector<int>> left = fetchImapMailBatches(c_, countText_, limits);
        if (!left)
            return false;
        for (const int i : *left) {
            if (c_.aborted() || !fetchMail(i))
                return false;
        }
        return true;
    }

    bool fetchMail(int i) {
        c_.progress.range(0, c_.workingList.mailCount);
        c_.progress.position(i);
        c_.progress.text(
            check_texts::readingMail(c_.account.name, c_.messageNumber(i), countText_));
        const std::uint64_t number = c_.messageNumber(i);
        command("FETCH " + std::to_string(number) + " (BODY[HEADER] BODY[TEXT]<0.4000>)\r\n",
                kMailHint);
        const std::optional<ImapFetchItem> header = fetched(number, "BODY[HEADER]");
        if (!header)
            return false;
        parseImapMailItems(c_.workingList, i, *header,
                           imapFetchItem(c_.reply.text(), number, "BODY[TEXT]"));
        command("FETCH " + std::to_string(number) + " RFC822.SIZE\r\n", kShortHint);
        const std::optional<ImapFetchItem> size = fetched(number, "RFC822.SIZE");
        if (!size)
            return false;
        c_.workingList.mails[i].size = listedSize(imapSizeValue(size->raw));
        c_.recordFetched(i);
        return true;
    }

    // The item of this mail's FETCH responses, wherever it stands, from a
    // reply that came whole and ended with its tagged OK; the response itself
    // may be cut where the buffer ends (a sender must not keep the account
    // from being listed). Anything else read as the mail gave a row without
    // subject or size, or another mail's, and the check passed for a
    // success: a refusal fails the account with the server's text, any other
    // reply as a protocol fault. So does an expunge, after which the next
    // message numbers would name other mails than the list pairs them with.
    std::optional<ImapFetchItem> fetched(std::uint64_t number, std::string_view name) {
        if (!c_.answered())
            return std::nullopt;
        std::string refusal = imapReplyRefusal(c_.reply);
        if (!refusal.empty()) {
            c_.fail(std::move(refusal));
            return std::nullopt;
        }
        const std::string_view reply = c_.reply.text();
        const std::optional<ImapFetchItem> item = imapFetchItem(reply, number, name);
        if (!imapCompletedOk(c_.reply.completionLine(), imapTagOf(c_.socket.lastCommand())) ||
            !item || imapReplyExpunges(reply)) {
            c_.fail(session_texts::protocolFault());
            return std::nullopt;
        }
        return item;
    }

    AccountCheck& c_;
    bool uidValidityChanged_ = false;
    bool condstore_ = false;
    std::string modseq_; // the server's HIGHESTMODSEQ; "" without one
    std::string uidNext_;
    std::string countText_;
    std::uint64_t count_ = 0; // the server's
};

} // namespace

void runImapDialogue(AccountCheck& check) {
    ImapDialogue(check).run();
}

} // namespace ombrix
