#pragma once
// What the POP3 and IMAP dialogues work with while they check one account:
// the account's settings and check state (errorFlag, errorText, checked), the
// working copy that becomes its new list, the list of the last check, and the
// run's connection, reply buffer and progress.

#include "check/check_progress.h"
#include "check/imap_flag_listing.h"
#include "check/mail_triples.h"
#include "check/previous_uid_index.h"
#include "core/account_table.h"
#include "proto/reply_buffer.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ombrix {

class CMailSocket;

// Receive time-outs of the dialogues, in milliseconds.
struct CheckTimeouts {
    std::uint32_t replyMs = 16000; // every reply that must come
    std::uint32_t noopMs = 7000;   // the POP3 keep-alive between two mails
    std::uint32_t quitMs = 3000;   // the POP3 farewell
    // Not time-outs, but they travel with them to every dialogue. How many
    // unknown mails one IMAP UID FETCH asks for (0: a command per mail), and
    // whether POP3 may pipeline its TOP commands where the server allows it.
    int imapBatchMails = 100;
    bool pop3Pipelining = true;
};

struct AccountCheck {
    // The check run passes its working list here too: the shared slot is
    // written only in the run's commit bracket, never by a dialogue.
    AccountRecord& account;
    AccountRecord& workingList;
    AccountRecord& previousList; // scratch: known mails are moved out of it
    // The index is built from previousList when a listing begins (an
    // unchanged box never needs it), before any entry moves out of it; the
    // triples when the first mail is fetched.
    PreviousUidIndex& previousUids;
    MailTriples& triples;
    ReplyBuffer& reply;
    CMailSocket& socket;
    CheckProgress& progress;
    const CheckTimeouts& timeouts;

    std::vector<std::uint8_t> fetchList; // per mail index: 1 = fetch it from the server
    // Per entry of the previous list: the working index it was moved to, or -1.
    std::vector<int> movedTo;
    bool reuseKnownMails = true; // false once UIDVALIDITY changed: old UIDs mean nothing
    // The message number of mail index 0: above 1 when the mailbox holds more
    // mails than the list, which then shows the newest (the highest numbers).
    std::uint64_t firstNumber = 1;
    // Per working index: the entry of the previous list it was taken over
    // from, or -1 for a mail fetched from the server.
    std::vector<int> keptFrom{};
    // Fills previousList with the last list when a listing first needs it;
    // empty when previousList holds it already. An unchanged IMAP box never
    // copies its list.
    std::function<void()> takePreviousList{};
    // Set by keepPreviousList when the last list was never taken: the list
    // stays as the account has it.
    bool lastListKept = false;
    // The mails recordFetched found new, this account's share of newMailCount.
    int newMails = 0;
    // The account's read state follows the server: the dialogue fills
    // serverSeen, and a mail's read mark becomes what the server says.
    bool followServer = false;
    ServerSeen serverSeen{};

    // Each runs on the check thread.
    void fail(std::string text);
    bool failed() const { return account.errorFlag != 0; }
    bool aborted() const;
    // Whether the last reply came: false after an abort; an empty reply, or
    // one that the time-out or the end of the stream cut short, fails the
    // account with "no response".
    bool answered();

    // Takes the last list and builds its id index, unless done already. The
    // POP3 login calls it while the server checks the password: a listing
    // follows there.
    void prepareLastList();
    // A listing begins for a mailbox of serverCount mails: the list holds the
    // newest of them, as many as the list takes. Prepares the last list.
    void beginListing(std::uint64_t serverCount);
    // The message number of mail index i on the server.
    std::uint64_t messageNumber(int i) const { return firstNumber + static_cast<std::uint64_t>(i); }
    // Mail i has this unique id: taken over from the last list when known
    // there, else marked for fetching with the id stored.
    void takeUid(int i, std::string_view uid);
    // Nothing changed on the server: the working list becomes the last list,
    // or, when it was never taken, lastListKept is set.
    void keepPreviousList();
    // Mail i was fetched and parsed: decides read and new, sets its position.
    // A mail the server has seen already was read elsewhere: it is no news.
    void recordFetched(int i);
};

// The message count of a reply: the run of decimal digits that starts at pos.
// None when there is no digit there or the number is beyond any mailbox.
std::optional<std::uint64_t> readMessageCount(std::string_view text, std::size_t pos);

// A size the server gave as the list keeps it: beyond INT32_MAX it is
// INT32_MAX.
constexpr std::int32_t listedSize(std::uint32_t octets) {
    return static_cast<std::int32_t>(octets < INT32_MAX ? octets : INT32_MAX);
}

} // namespace ombrix
