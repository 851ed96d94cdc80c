#include "mark/imap_marking.h"

#include "delete/imap_replies.h"
#include "proto/reply_buffer.h"

#include <algorithm>
#include <span>
#include <string>

namespace ombrix {
namespace {

// A SELECT reply and the answers to STORE .SILENT are short.
constexpr std::size_t kReplyCapacity = 65536;
// UIDs per STORE: a whole mail list of long UIDs stays far below the command
// length servers accept.
constexpr std::size_t kUidsPerStore = 500;

class MarkingSession {
public:
    MarkingSession(const ImapServer& server, const CMailSocket::AbortFlag& abort,
                   const MarkTimeouts& timeouts)
        : server_(server), socket_(abort), timeouts_(timeouts) {
        socket_.setFaultNotice([](const std::string&) {});
    }
    ~MarkingSession() { socket_.Close(); }
    MarkingSession(const MarkingSession&) = delete;
    MarkingSession& operator=(const MarkingSession&) = delete;

    MarkDelivery deliver(const SeenMarks& marks) {
        if (!imapLogin(socket_, reply_, server_, {timeouts_.replyMs}).loggedIn() ||
            !command("SELECT INBOX"))
            return MarkDelivery::Unreached;
        const std::string validity = imapUidValidity(reply_.text());
        MarkDelivery delivery = MarkDelivery::Unreached;
        if (!validity.empty() && validity != marks.uidValidity)
            delivery = MarkDelivery::Stale;
        else if (!validity.empty() && store(marks.seen, "+FLAGS.SILENT") &&
                 store(marks.unseen, "-FLAGS.SILENT"))
            delivery = MarkDelivery::Sent;
        command("LOGOUT");
        return delivery;
    }

private:
    // True when the reply came whole and ended with the tagged OK.
    bool command(const std::string& text) {
        if (!socket_.SendTagged(text + "\r\n"))
            return false;
        reply_.receiveTagged(socket_, timeouts_.replyMs, 0, true);
        return imapReplyRefusal(reply_).empty();
    }

    bool store(std::span<const std::uint32_t> uids, const char* change) {
        for (std::size_t from = 0; from < uids.size(); from += kUidsPerStore) {
            const auto batch = uids.subspan(from, std::min(kUidsPerStore, uids.size() - from));
            if (!command("UID STORE " + imapUidSet(batch) + " " + change + " (\\Seen)"))
                return false;
        }
        return true;
    }

    const ImapServer& server_;
    CMailSocket socket_;
    ReplyBuffer reply_{kReplyCapacity, RefusalReport::BufferOnly};
    const MarkTimeouts& timeouts_;
};

} // namespace

MarkDelivery storeSeenMarks(const ImapServer& server, const SeenMarks& marks,
                            const CMailSocket::AbortFlag& abort, const MarkTimeouts& timeouts) {
    if (marks.empty())
        return MarkDelivery::Sent;
    return MarkingSession(server, abort, timeouts).deliver(marks);
}

} // namespace ombrix
