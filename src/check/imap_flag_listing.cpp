#include "check/imap_flag_listing.h"

#include "check/account_check.h"
#include "net/mail_socket.h"
#include "platform/ascii.h"
#include "proto/imap_completion.h"
#include "proto/imap_fetch_items.h"
#include "proto/imap_fetch_response.h"
#include "proto/imap_response_splitter.h"
#include "proto/session_texts.h"

#include <map>

namespace ombrix {

namespace {

// A flags response is a line; one longer than this is no mail's flags.
constexpr std::size_t kFlagResponseCapacity = 16384;

// What the responses said about one message number.
struct NumberFlags {
    std::string uid;
    std::optional<bool> seen;
};

class FlagListingReader {
public:
    FlagListingReader(AccountCheck& check, std::uint64_t first, int count)
        : c_(check), first_(first), count_(count) {}

    std::optional<ImapFlagListing> run() {
        const std::string tag(imapTagOf(c_.socket.lastCommand()));
        bool completed = false;
        ImapResponseSplitter splitter(kFlagResponseCapacity);
        while (!completed) {
            const bool ended =
                c_.socket.ReceiveStream(c_.timeouts.replyMs, [&](std::string_view chunk) {
                    return splitter.feed(
                        chunk, [&](const ImapResponseSplitter::Response& response) {
                            if (response.kind == ImapResponseSplitter::Kind::Tagged)
                                completed = complete(tag, response.text);
                            else if (!response.cut)
                                take(response.text);
                        });
                });
            if (c_.aborted())
                return std::nullopt;
            if (!ended) {
                c_.fail(session_texts::noResponse());
                return std::nullopt;
            }
        }
        if (expunged_) {
            c_.fail(session_texts::protocolFault());
            return std::nullopt;
        }
        pairByNumber();
        return std::move(listing_);
    }

private:
    // False for a tagged line of another command: the reading goes on.
    bool complete(const std::string& tag, std::string_view line) {
        if (imapTagOf(line) != tag)
            return false;
        if (!imapCompletedOk(line, tag)) {
            listing_.refused = true;
            listing_.refusal = std::string(line.substr(0, line.find_first_of("\r\n")));
        }
        return true;
    }

    void take(std::string_view response) {
        if (imapReplyExpunges(response))
            expunged_ = true;
        const std::optional<std::uint64_t> number = imapFetchNumber(response);
        if (!number)
            return;
        const std::optional<ImapFetchItem> uid = imapFindItem(response, "UID");
        const std::optional<ImapFetchItem> flags = imapFindItem(response, "FLAGS");
        NumberFlags& entry = byNumber_[*number];
        if (uid && uid->form == ImapFetchItem::Form::Atom)
            entry.uid = std::string(uid->raw);
        if (flags && flags->form == ImapFetchItem::Form::List)
            entry.seen = imapFlagsHoldSeen(flags->raw);
    }

    void pairByNumber() {
        listing_.uids.assign(static_cast<std::size_t>(count_), std::string());
        for (const auto& [number, entry] : byNumber_) {
            if (number >= first_ && number - first_ < static_cast<std::uint64_t>(count_))
                listing_.uids[number - first_] = entry.uid;
            if (!entry.uid.empty() && entry.seen)
                listing_.seen.note(entry.uid, *entry.seen);
        }
    }

    AccountCheck& c_;
    const std::uint64_t first_;
    const int count_;
    std::map<std::uint64_t, NumberFlags> byNumber_;
    ImapFlagListing listing_;
    bool expunged_ = false;
};

} // namespace

std::optional<bool> ServerSeen::seen(std::string_view uid) const {
    const auto found = seen_.find(uid);
    if (found == seen_.end())
        return std::nullopt;
    return found->second;
}

bool imapFlagsHoldSeen(std::string_view list) {
    constexpr std::string_view kSeen = "\\Seen";
    for (std::size_t at = list.find('\\'); at != std::string_view::npos;
         at = list.find('\\', at + 1)) {
        const std::string_view word = list.substr(at, kSeen.size());
        const std::size_t after = at + kSeen.size();
        const bool ends = after >= list.size() || list[after] == ' ' || list[after] == ')';
        if (ends && equalsIgnoringCase(word, kSeen))
            return true;
    }
    return false;
}

std::optional<ImapFlagListing> receiveImapFlagListing(AccountCheck& check, std::uint64_t first,
                                                      int count) {
    return FlagListingReader(check, first, count).run();
}

} // namespace ombrix
