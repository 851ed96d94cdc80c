#include "check/pop3_dialogue.h"

#include "check/check_texts.h"
#include "check/fetched_mail.h"
#include "check/pop3_uid_listing.h"
#include "net/mail_socket.h"
#include "proto/pop3_login.h"
#include "proto/pop3_reply_values.h"
#include "proto/session_texts.h"

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

namespace ombrix {

namespace {

constexpr std::uint32_t kListReplySize = 1000000;
constexpr std::uint32_t kNoopReplySize = 100000;
// A server that answers every NOOP negatively is treated like a silent one,
// so the keep-alive can never spin forever.
constexpr int kNoopAttempts = 10;
// Asking CAPA costs a round trip; pipelining pays it back from a few mails on.
constexpr int kPipelineFrom = 4;
// TOP commands on the wire ahead of the reply being read: a round trip
// brings this many mails. Their 2 KB always fit the socket's buffers, so a
// send never waits on a server that is busy writing replies we have not read.
constexpr std::size_t kTopWindow = 128;
// No count ends a listing: only its terminator does.
constexpr std::uint32_t kReadToTerminator = 0;

class Pop3Dialogue {
public:
    explicit Pop3Dialogue(AccountCheck& check) : c_(check) {}

    void run() {
        if (login(true) && stat() && (count_ < 1 || (uidl() && fetchMails())))
            logout();
        c_.socket.Close();
    }

private:
    bool login(bool first) {
        c_.progress.position(1);
        Pop3LoginSteps steps;
        steps.timeoutMs = c_.timeouts.replyMs;
        if (first) {
            steps.userAccepted = [this] { c_.progress.position(10); };
            steps.passwordSent = [this] { c_.prepareLastList(); }; // STAT and UIDL follow
        }
        LoginResult result = pop3Login(c_.socket, c_.reply, c_.account, steps);
        if (result.loggedIn())
            return true;
        if (result.status == LoginStatus::Failed)
            c_.fail(std::move(result.errorText));
        return false;
    }

    std::string_view command(const std::string& line, std::uint32_t timeoutMs,
                             std::uint32_t expectedSize, bool singleLine, bool dotList) {
        c_.socket.SendLine(line);
        return c_.reply.receiveReply(c_.socket, timeoutMs, expectedSize, singleLine, dotList);
    }

    bool stat() {
        const std::string_view reply =
            command("STAT\r\n", c_.timeouts.replyMs, kPop3StatusLineSize, true, false);
        if (c_.aborted())
            return false;
        if (!c_.reply.complete() || reply.size() < 3 || reply[1] != 'O' || reply[2] != 'K') {
            c_.fail(session_texts::noResponse());
            return false;
        }
        // "+OK count size": without its count a reply says nothing about the
        // mailbox, and taken for an empty one it would clear the list. A
        // number no mailbox can hold is no count either.
        const std::optional<std::uint64_t> serverCount =
            reply.size() > 4 && reply[3] == ' ' ? readMessageCount(reply, 4) : std::nullopt;
        if (!serverCount) {
            c_.fail(session_texts::protocolFault());
            return false;
        }
        total_ = std::to_string(*serverCount);
        c_.beginListing(*serverCount);
        count_ = c_.workingList.mailCount; // the newest, as many as the list holds
        return true;
    }

    // The whole listing is read, however long: its lines for the newest
    // mails come last, and a listing left half-read would be taken as later
    // replies. None when it did not come whole (the account has failed then)
    // or the run was aborted.
    std::optional<Pop3UidListing> numberedListing(const std::string& command) {
        c_.socket.SendLine(command);
        Pop3UidListing listing(c_.firstNumber, count_);
        const bool ended = c_.socket.ReceiveListing(
            c_.timeouts.replyMs, [&listing](std::string_view bytes) { listing.feed(bytes); });
        if (c_.aborted())
            return std::nullopt;
        if (!ended) {
            c_.fail(session_texts::noResponse());
            return std::nullopt;
        }
        return listing;
    }

    bool uidl() {
        const std::optional<Pop3UidListing> listed = numberedListing("UIDL\r\n");
        if (!listed)
            return false;
        const Pop3UidListing& listing = *listed;
        switch (listing.status()) {
        case Pop3UidListing::Status::Refused:
            for (int i = 0; i < count_; ++i) {
                c_.fetchList[static_cast<std::size_t>(i)] = 1;
                c_.workingList.mails.setUid(i, "NOUIDL");
            }
            return true;
        case Pop3UidListing::Status::Listed:
            if (listing.complete())
                break;
            [[fallthrough]];
        case Pop3UidListing::Status::Unreadable:
            c_.fail(session_texts::protocolFault());
            return false;
        }
        for (int i = 0; i < count_; ++i)
            c_.takeUid(i, listing.uid(i));
        return true;
    }

    // Pipelined where the server says it takes it (RFC 2449); otherwise, and
    // for a handful of mails, one mail at a time with a keep-alive between.
    bool fetchMails() {
        std::vector<int> wanted;
        for (int i = 0; i < count_; ++i) {
            if (c_.fetchList[static_cast<std::size_t>(i)] != 0)
                wanted.push_back(i);
        }
        if (c_.timeouts.pop3Pipelining && wanted.size() >= kPipelineFrom) {
            const std::optional<bool> pipelines = serverPipelines();
            if (!pipelines)
                return false;
            std::vector<std::uint32_t> sizes;
            if (*pipelines && listSizes(sizes))
                return fetchPipelined(wanted, sizes);
            if (c_.aborted() || c_.failed())
                return false;
        }
        return fetchOneByOne();
    }

    // None when the server did not answer CAPA.
    std::optional<bool> serverPipelines() {
        const std::string_view reply =
            command("CAPA\r\n", c_.timeouts.replyMs, kReadToTerminator, false, true);
        if (!c_.answered())
            return std::nullopt;
        return pop3Capability(reply, "PIPELINING").has_value();
    }

    // Every size from one LIST; false, with nothing failed, when the server
    // would not list them all: LIST n then asks mail by mail.
    bool listSizes(std::vector<std::uint32_t>& sizes) {
        const std::optional<Pop3UidListing> listed = numberedListing("LIST\r\n");
        if (!listed)
            return false;
        const Pop3UidListing& listing = *listed;
        if (listing.status() != Pop3UidListing::Status::Listed || !listing.complete())
            return false;
        sizes.resize(static_cast<std::size_t>(count_));
        for (int i = 0; i < count_; ++i)
            sizes[static_cast<std::size_t>(i)] = pop3SizeValue(listing.uid(i));
        return true;
    }

    // TOP for each wanted mail, kTopWindow ahead of the reply being read;
    // the replies come in the order of the commands.
    bool fetchPipelined(const std::vector<int>& wanted, const std::vector<std::uint32_t>& sizes) {
        std::size_t sent = 0;
        const auto sendAhead = [&](std::size_t read) {
            std::string lines;
            for (; sent < wanted.size() && sent < read + kTopWindow; ++sent)
                lines += "TOP " + std::to_string(c_.messageNumber(wanted[sent])) + " 100\r\n";
            if (!lines.empty())
                c_.socket.SendLine(lines);
        };
        c_.progress.range(0, count_);
        for (std::size_t read = 0; read < wanted.size(); ++read) {
            sendAhead(read);
            const int i = wanted[read];
            c_.progress.position(i);
            c_.progress.text(
                check_texts::readingMail(c_.account.name, c_.messageNumber(i), total_));
            const std::uint32_t size = sizes[static_cast<std::size_t>(i)];
            const std::string_view reply =
                c_.reply.receiveReply(c_.socket, c_.timeouts.replyMs, size, false, false);
            if (!accepted())
                return false;
            storeMail(i, size, reply);
        }
        return true;
    }

    bool fetchOneByOne() {
        for (int i = 0; i < count_; ++i) {
            c_.progress.range(0, count_);
            c_.progress.position(i);
            if (c_.fetchList[static_cast<std::size_t>(i)] == 0)
                continue;
            if (c_.aborted() || !fetchMail(i))
                return false;
            if (!keepAlive() && !newSession())
                return false;
        }
        return true;
    }

    bool fetchMail(int i) {
        const std::string number = std::to_string(c_.messageNumber(i));
        c_.progress.text(check_texts::readingMail(c_.account.name, c_.messageNumber(i), total_));
        std::string_view reply =
            command("LIST " + number + "\r\n", c_.timeouts.replyMs, kListReplySize, true, false);
        if (!accepted())
            return false;
        const std::uint32_t size = pop3ListSize(reply);
        reply = command("TOP " + number + " 100\r\n", c_.timeouts.replyMs, size, false, false);
        if (!accepted())
            return false;
        storeMail(i, size, reply);
        return true;
    }

    void storeMail(int i, std::uint32_t size, std::string_view topReply) {
        c_.workingList.mails[i].size = listedSize(size);
        ParseFetchedMail(topReply, c_.workingList, i, FetchForm::Pop3);
        c_.recordFetched(i);
    }

    // The reply to LIST or TOP came whole and is "+OK". A refused or garbled
    // one fails the account with the server's text: read as a mail, it gave
    // a row without subject and the check passed for a success.
    bool accepted() {
        if (c_.aborted())
            return false;
        std::string refusal = pop3Refusal(c_.reply);
        if (refusal.empty())
            return true;
        c_.fail(std::move(refusal));
        return false;
    }

    // True while the session answers; false when it is silent (or refuses on
    // and on). Only a whole status line that begins with "+OK" is the answer:
    // the rest of an earlier reply that merely holds "+OK" is not.
    bool keepAlive() {
        for (int attempt = 0; attempt < kNoopAttempts; ++attempt) {
            const std::string_view reply =
                command("NOOP\r\n", c_.timeouts.noopMs, kNoopReplySize, true, false);
            if (reply.empty() || c_.aborted())
                return false;
            if (c_.reply.complete() && reply.starts_with("+OK"))
                return true;
        }
        return false;
    }

    // The old session is dead: leave it without waiting and log in again.
    bool newSession() {
        if (c_.aborted())
            return false;
        c_.socket.SendLine("QUIT\r\n");
        c_.socket.Close();
        return login(false);
    }

    void logout() {
        if (c_.aborted() || c_.failed())
            return;
        command("QUIT\r\n", c_.timeouts.quitMs, kPop3StatusLineSize, true, false);
    }

    AccountCheck& c_;
    int count_ = 0;
    std::string total_; // the server's count, for the progress text
};

} // namespace

void runPop3Dialogue(AccountCheck& check) {
    Pop3Dialogue(check).run();
}

} // namespace ombrix
