#pragma once
// The \Seen flags of an IMAP mailbox as a check reads them: the reply to
// "FETCH first:* (UID FLAGS)" or "UID FETCH 1:* (FLAGS) (CHANGEDSINCE m)",
// taken response by response as it streams in. Flags with their keywords
// and modification sequences make a listing of 3000 mails larger than the
// reply buffer, which a listing of bare UIDs never outgrew.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace ombrix {

struct AccountCheck;

// Whether the server has \Seen on a mail, by the mail's UID.
class ServerSeen {
public:
    void note(std::string_view uid, bool seen) { seen_[std::string(uid)] = seen; }
    std::optional<bool> seen(std::string_view uid) const;
    bool empty() const { return seen_.empty(); }

private:
    struct TransparentHash {
        using is_transparent = void;
        std::size_t operator()(std::string_view text) const {
            return std::hash<std::string_view>{}(text);
        }
    };
    std::unordered_map<std::string, bool, TransparentHash, std::equal_to<>> seen_;
};

struct ImapFlagListing {
    // Per list index: the UID of message first + index, empty where no
    // response named one.
    std::vector<std::string> uids;
    ServerSeen seen;
    // The server answered NO or BAD; `refusal` holds its completion line.
    bool refused = false;
    std::string refusal;
};

// Whether a FLAGS list such as "(\Seen \Answered)" holds \Seen, in any case.
bool imapFlagsHoldSeen(std::string_view list);

// Reads the reply of the command just sent. A FETCH response without a UID
// (a server may split a mail's items) is paired with the UID another
// response gave its message number. Messages from `first` on fill `uids`,
// `count` of them. None when the account failed (no reply, an expunge,
// which makes the message numbers name other mails) or the run was aborted.
// Runs on the check thread.
std::optional<ImapFlagListing> receiveImapFlagListing(AccountCheck& check, std::uint64_t first,
                                                      int count);

} // namespace ombrix
