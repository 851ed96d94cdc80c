// An IMAP server on the fake mailbox: enough of IMAP4rev1 (and UIDPLUS, when
// announced) for a mail checker: LOGIN, SELECT/EXAMINE, STATUS, FETCH, STORE,
// SEARCH, EXPUNGE, CLOSE, their UID forms, NOOP and LOGOUT.

#include "faults/fake_mailbox.h"
#include "faults/protocol_session.h"

#include <algorithm>
#include <charconv>
#include <optional>

namespace ombrix::test {
namespace {

std::string_view firstWord(std::string_view& rest) {
    const std::size_t space = rest.find(' ');
    const std::string_view word = rest.substr(0, space);
    rest = space == std::string_view::npos ? std::string_view() : rest.substr(space + 1);
    return word;
}

std::optional<std::uint32_t> number(std::string_view text, std::uint32_t star) {
    if (text == "*")
        return star;
    std::uint32_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc{} || end != text.data() + text.size() || value == 0)
        return std::nullopt;
    return value;
}

// An IMAP sequence set ("1:*", "3,5:7"); nullopt when malformed.
std::optional<std::vector<std::pair<std::uint32_t, std::uint32_t>>> parseSet(std::string_view set,
                                                                             std::uint32_t star) {
    std::vector<std::pair<std::uint32_t, std::uint32_t>> ranges;
    while (!set.empty()) {
        const std::size_t comma = set.find(',');
        const std::string_view part = set.substr(0, comma);
        set = comma == std::string_view::npos ? std::string_view() : set.substr(comma + 1);
        const std::size_t colon = part.find(':');
        const auto low = number(part.substr(0, colon), star);
        const auto high =
            colon == std::string_view::npos ? low : number(part.substr(colon + 1), star);
        if (!low || !high)
            return std::nullopt;
        ranges.emplace_back(std::min(*low, *high), std::max(*low, *high));
    }
    return ranges;
}

bool inSet(const std::vector<std::pair<std::uint32_t, std::uint32_t>>& set, std::uint32_t value) {
    return std::ranges::any_of(
        set, [value](const auto& r) { return value >= r.first && value <= r.second; });
}

// The items of a FETCH: "(A B[C (D)])" or a single item; blanks inside brackets stay.
std::vector<std::string> fetchItems(std::string_view text) {
    if (text.starts_with('(') && text.ends_with(')'))
        text = text.substr(1, text.size() - 2);
    std::vector<std::string> items;
    std::string item;
    int depth = 0;
    for (const char c : text) {
        if (c == ' ' && depth == 0) {
            if (!item.empty())
                items.push_back(upper(item));
            item.clear();
            continue;
        }
        depth += c == '[' ? 1 : c == ']' ? -1 : 0;
        item += c;
    }
    if (!item.empty())
        items.push_back(upper(item));
    return items;
}

class ImapSession final : public ProtocolSession {
public:
    ImapSession(FakeMailbox& mailbox, const ServerTraits& traits)
        : mailbox_(mailbox), uidPlus_(traits.uidPlus), refusesBatches_(traits.refusesBatches) {}

    Reply greeting() override {
        return Reply().text("* OK [CAPABILITY " + capabilities() + "] Fault server ready.\r\n");
    }

    std::string command(std::string_view line) const override {
        std::string_view rest = line;
        firstWord(rest);
        return upper(rest);
    }

    Reply answer(std::string_view line, bool& ends) override {
        std::string_view rest = line;
        const std::string tag(firstWord(rest));
        std::string verb = upper(firstWord(rest));
        bool byUid = false;
        if (verb == "UID") {
            byUid = true;
            verb = upper(firstWord(rest));
        }
        Reply reply;
        const std::string status = dispatch(verb, rest, byUid, reply, ends);
        return reply.text(tag + " " + status + "\r\n");
    }

    Reply refusal(std::string_view line, FaultKind kind) const override {
        std::string_view rest = line;
        const std::string tag(firstWord(rest));
        const std::string text =
            kind == FaultKind::BadText ? hostileRefusalText() : "[UNAVAILABLE] Fault injected.";
        if (line.empty())
            return Reply().text("* BYE " + text + "\r\n");
        return Reply().text(tag + (kind == FaultKind::Bad ? " BAD " : " NO ") + text + "\r\n");
    }

private:
    std::string capabilities() const {
        return uidPlus_ ? "IMAP4rev1 LITERAL+ UIDPLUS" : "IMAP4rev1 LITERAL+";
    }

    std::string dispatch(const std::string& verb, std::string_view rest, bool byUid, Reply& reply,
                         bool& ends) {
        if (verb == "LOGOUT") {
            ends = true;
            reply.text("* BYE Logging out\r\n");
            return "OK Logout completed.";
        }
        if (verb == "NOOP")
            return "OK NOOP completed.";
        if (verb == "CAPABILITY") {
            reply.text("* CAPABILITY " + capabilities() + "\r\n");
            return "OK Capability completed.";
        }
        if (verb == "LOGIN") {
            loggedIn_ = true;
            return "OK [CAPABILITY " + capabilities() + "] Logged in";
        }
        if (!loggedIn_)
            return "BAD Error in IMAP command: not logged in.";
        if (verb == "SELECT" || verb == "EXAMINE")
            return select(verb == "EXAMINE", reply);
        if (verb == "STATUS")
            return status(rest, reply);
        if (!selected_)
            return "BAD No mailbox selected.";
        if (verb == "FETCH")
            return fetch(rest, byUid, reply);
        if (verb == "STORE")
            return store(rest, byUid, reply);
        if (verb == "SEARCH")
            return search(rest, byUid, reply);
        if (verb == "EXPUNGE")
            return expunge(byUid ? rest : std::string_view(), byUid, reply);
        if (verb == "CLOSE") {
            if (!readOnly_)
                removeDeleted(std::nullopt);
            selected_ = false;
            return "OK Close completed.";
        }
        return "BAD Error in IMAP command: unknown command.";
    }

    std::string select(bool examine, Reply& reply) {
        selected_ = true;
        readOnly_ = examine;
        reply.text("* FLAGS (\\Answered \\Flagged \\Deleted \\Seen \\Draft)\r\n");
        reply.text("* " + std::to_string(mailbox_.mails().size()) + " EXISTS\r\n");
        reply.text("* 0 RECENT\r\n");
        reply.text("* OK [UIDVALIDITY " + std::to_string(mailbox_.uidValidity()) +
                   "] UIDs valid\r\n");
        reply.text("* OK [UIDNEXT " + std::to_string(mailbox_.uidNext()) +
                   "] Predicted next UID\r\n");
        return examine ? "OK [READ-ONLY] Examine completed." : "OK [READ-WRITE] Select completed.";
    }

    std::string status(std::string_view rest, Reply& reply) {
        std::string_view items = rest.substr(std::min(rest.find('('), rest.size()));
        std::string values;
        for (const std::string& item : fetchItems(items)) {
            std::string value;
            if (item == "MESSAGES")
                value = std::to_string(mailbox_.mails().size());
            else if (item == "UIDNEXT")
                value = std::to_string(mailbox_.uidNext());
            else if (item == "UIDVALIDITY")
                value = std::to_string(mailbox_.uidValidity());
            else if (item == "RECENT" || item == "UNSEEN")
                value = "0";
            else
                return "BAD Error in IMAP command STATUS: unknown item.";
            values += (values.empty() ? "" : " ") + item + " " + value;
        }
        reply.text("* STATUS INBOX (" + values + ")\r\n");
        return "OK Status completed.";
    }

    // The mails a set names, with their message numbers; nullopt: a bad set.
    std::optional<std::vector<std::pair<std::uint32_t, FakeMail>>> addressed(std::string_view set,
                                                                             bool byUid) const {
        const std::vector<FakeMail> mails = mailbox_.mails();
        const std::uint32_t count = static_cast<std::uint32_t>(mails.size());
        const std::uint32_t star = byUid ? (mails.empty() ? 0 : mails.back().uid) : count;
        const auto ranges = parseSet(set, star);
        if (!ranges || (!byUid && std::ranges::any_of(*ranges, [count](const auto& r) {
                return r.second > count;
            })))
            return std::nullopt;
        std::vector<std::pair<std::uint32_t, FakeMail>> out;
        for (std::uint32_t i = 0; i < count; ++i)
            if (inSet(*ranges, byUid ? mails[i].uid : i + 1))
                out.emplace_back(i + 1, mails[i]);
        return out;
    }

    std::string fetch(std::string_view rest, bool byUid, Reply& reply) const {
        const std::string_view set = firstWord(rest);
        const auto mails = addressed(set, byUid);
        if (!mails)
            return "BAD Error in IMAP command FETCH: Invalid messageset";
        std::vector<std::string> items = fetchItems(rest);
        if (byUid && refusesBatches_ &&
            std::ranges::find(items, "BODY.PEEK[HEADER]") != items.end())
            return "BAD Error in IMAP command UID FETCH: sets not taken";
        if (byUid && std::ranges::find(items, "UID") == items.end())
            items.insert(items.begin(), "UID");
        for (const auto& [n, mail] : *mails) {
            if (!fetchLine(n, mail, items, reply))
                return "BAD Error in IMAP command FETCH: unknown item.";
        }
        return "OK Fetch completed.";
    }

    static bool fetchLine(std::uint32_t n, const FakeMail& mail,
                          const std::vector<std::string>& items, Reply& reply) {
        reply.listed(static_cast<int>(n), "* " + std::to_string(n) + " FETCH (");
        bool first = true;
        for (const std::string& item : items) {
            reply.append(first ? "" : " ");
            first = false;
            if (item == "UID") {
                reply.append("UID " + std::to_string(mail.uid));
            } else if (item == "FLAGS") {
                reply.append(mail.deleted ? "FLAGS (\\Deleted)" : "FLAGS ()");
            } else if (item == "RFC822.SIZE") {
                reply.append("RFC822.SIZE " + std::to_string(mail.message().size()));
            } else if (item == "BODY[HEADER]" || item == "BODY.PEEK[HEADER]" ||
                       item == "RFC822.HEADER") {
                reply.append(item == "RFC822.HEADER" ? "RFC822.HEADER " : "BODY[HEADER] ");
                reply.literal(mail.header());
            } else if (item.starts_with("BODY[TEXT]") || item.starts_with("BODY.PEEK[TEXT]")) {
                bodyPart(item, mail.body(), reply);
            } else if (item.find("[HEADER.FIELDS (SUBJECT)]") != std::string::npos) {
                reply.append("BODY[HEADER.FIELDS (SUBJECT)] ");
                reply.literal("Subject: " + mail.subject + "\r\n\r\n");
            } else {
                return false;
            }
        }
        reply.append(")\r\n");
        return true;
    }

    // BODY[TEXT] or BODY[TEXT]<origin.length>.
    static void bodyPart(const std::string& item, const std::string& body, Reply& reply) {
        const std::size_t open = item.find('<');
        if (open == std::string::npos) {
            reply.append("BODY[TEXT] ");
            reply.literal(body);
            return;
        }
        const std::size_t dot = item.find('.', open);
        const std::size_t origin = std::stoul(item.substr(open + 1));
        const std::size_t length =
            dot == std::string::npos ? body.size() : std::stoul(item.substr(dot + 1));
        reply.append("BODY[TEXT]<" + std::to_string(origin) + "> ");
        reply.literal(origin < body.size() ? body.substr(origin, length) : std::string());
    }

    std::string store(std::string_view rest, bool byUid, Reply& reply) {
        const std::string_view set = firstWord(rest);
        const std::string action = upper(firstWord(rest));
        const std::string flags = upper(rest);
        if (readOnly_)
            return "NO Mailbox is read-only.";
        if (!action.starts_with("+FLAGS") || flags.find("\\DELETED") == std::string::npos)
            return "BAD Error in IMAP command STORE: only +FLAGS (\\Deleted) is known here.";
        const auto mails = addressed(set, byUid);
        if (!mails)
            return "BAD Error in IMAP command STORE: Invalid messageset";
        for (const auto& [n, mail] : *mails) {
            mailbox_.flagDeleted(mail.uid);
            if (!action.ends_with(".SILENT"))
                reply.listed(static_cast<int>(n), "* " + std::to_string(n) +
                                                      " FETCH (FLAGS (\\Deleted) UID " +
                                                      std::to_string(mail.uid) + ")\r\n");
        }
        return "OK Store completed.";
    }

    std::string search(std::string_view rest, bool byUid, Reply& reply) const {
        if (upper(rest) != "DELETED")
            return "BAD Error in IMAP command SEARCH: only DELETED is known here.";
        std::string hits;
        const std::vector<FakeMail> mails = mailbox_.mails();
        for (std::size_t i = 0; i < mails.size(); ++i)
            if (mails[i].deleted)
                hits += " " + std::to_string(byUid ? mails[i].uid : i + 1);
        reply.text("* SEARCH" + hits + "\r\n");
        return "OK Search completed.";
    }

    std::string expunge(std::string_view uidSet, bool byUid, Reply& reply) {
        if (byUid && !uidPlus_)
            return "BAD Error in IMAP command UID: unknown command.";
        if (readOnly_)
            return "NO Mailbox is read-only.";
        std::optional<std::vector<std::pair<std::uint32_t, std::uint32_t>>> only;
        if (byUid) {
            const std::vector<FakeMail> mails = mailbox_.mails();
            only = parseSet(uidSet, mails.empty() ? 0 : mails.back().uid);
            if (!only)
                return "BAD Error in IMAP command EXPUNGE: Invalid uidset";
        }
        for (const std::uint32_t n : removeDeleted(only))
            reply.text("* " + std::to_string(n) + " EXPUNGE\r\n");
        return "OK Expunge completed.";
    }

    // Expunges the \Deleted mails (of the UID set, when given); their message
    // numbers, highest first, so that each stays valid while announced.
    std::vector<std::uint32_t>
    removeDeleted(const std::optional<std::vector<std::pair<std::uint32_t, std::uint32_t>>>& only) {
        const std::vector<FakeMail> mails = mailbox_.mails();
        std::vector<std::uint32_t> uids;
        std::vector<std::uint32_t> numbers;
        for (std::size_t i = mails.size(); i-- > 0;) {
            if (mails[i].deleted && (!only || inSet(*only, mails[i].uid))) {
                uids.push_back(mails[i].uid);
                numbers.push_back(static_cast<std::uint32_t>(i + 1));
            }
        }
        mailbox_.expunge(uids);
        return numbers;
    }

    FakeMailbox& mailbox_;
    bool uidPlus_;
    bool refusesBatches_;
    bool loggedIn_ = false;
    bool selected_ = false;
    bool readOnly_ = true;
};

} // namespace

std::unique_ptr<ProtocolSession> makeImapSession(FakeMailbox& mailbox, const ServerTraits& traits) {
    return std::make_unique<ImapSession>(mailbox, traits);
}

} // namespace ombrix::test
