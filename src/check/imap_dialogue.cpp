#include "check/imap_dialogue.h"

#include "check/check_texts.h"
#include "check/fetched_mail.h"
#include "check/imap_login.h"
#include "net/mail_socket.h"

#include <algorithm>
#include <charconv>
#include <string>

namespace ombrix {

namespace {

constexpr std::uint32_t kShortHint = 200;
constexpr std::uint32_t kListHint = 300000;
constexpr std::uint32_t kMailHint = 1000000;
constexpr std::size_t kMaxCountDigits = 4;

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

// The run of decimal digits that starts at pos (empty when pos is past the end).
std::string digitsAt(std::string_view text, std::size_t pos, std::size_t limit = SIZE_MAX) {
    std::string digits;
    while (pos < text.size() && digits.size() < limit && isDigit(text[pos]))
        digits += text[pos++];
    return digits;
}

std::string_view takeLine(std::string_view text, std::size_t& pos) {
    const std::size_t lf = text.find('\n', pos);
    const std::size_t end = lf == std::string_view::npos ? text.size() : lf + 1;
    const std::string_view line = text.substr(pos, end - pos);
    pos = end;
    return line;
}

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
    return std::ranges::equal(a, b, [](char x, char y) {
        return (x >= 'a' && x <= 'z' ? x - 32 : x) == (y >= 'a' && y <= 'z' ? y - 32 : y);
    });
}

// "* " digits " FETCH" at the line's start.
bool isFetchResponse(std::string_view line) {
    if (!line.starts_with("* "))
        return false;
    std::size_t pos = 2;
    while (pos < line.size() && isDigit(line[pos]))
        ++pos;
    return pos > 2 && equalsIgnoringCase(line.substr(pos, 6), " FETCH");
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
        if (!examine() || !statusUidNext() || !statusMessages())
            return false;
        AccountRecord& working = c_.workingList;
        if (count_ == working.mailCount && uidNext_ == working.uidNext && !uidValidityChanged_) {
            c_.keepPreviousList(); // nothing changed since the last check
            return true;
        }
        working.uidNext = uidNext_;
        c_.beginListing(count_);
        return count_ < 1 || (listUids() && fetchMails());
    }

    std::string_view command(const std::string& text, std::uint32_t hint) {
        c_.socket.SendTagged(text);
        return c_.reply.receiveTagged(c_.socket, c_.timeouts.replyMs, hint, true);
    }

    // The reply to EXAMINE or STATUS: present and not refused.
    bool accepted(std::string_view reply) {
        if (c_.aborted())
            return false;
        std::string refusal = imapReplyRefusal(reply);
        if (!refusal.empty())
            c_.fail(std::move(refusal));
        return refusal.empty() && !c_.failed();
    }

    bool examine() {
        const std::string_view reply = command("EXAMINE INBOX\r\n", kShortHint);
        if (!accepted(reply))
            return false;
        const std::size_t word = reply.find("UIDVALIDITY");
        if (word == std::string_view::npos) {
            c_.fail(check_texts::noUidNext());
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

    bool statusUidNext() {
        const std::string_view reply = command("STATUS INBOX (UIDNEXT)\r\n", kShortHint);
        if (!accepted(reply))
            return false;
        const std::size_t word = reply.find("UIDNEXT");
        if (word == std::string_view::npos) {
            c_.fail(check_texts::noUidNext());
            return false;
        }
        uidNext_ = digitsAt(reply, word + 8);
        return true;
    }

    bool statusMessages() {
        const std::string_view reply = command("STATUS INBOX (MESSAGES)\r\n", kShortHint);
        if (!accepted(reply))
            return false;
        const std::size_t word = reply.find("MESSAGES");
        if (word == std::string_view::npos) {
            c_.fail(check_texts::protocolFault());
            return false;
        }
        countText_ = digitsAt(reply, word + 9, kMaxCountDigits);
        if (countText_.empty()) {
            c_.fail(check_texts::noResponse());
            return false;
        }
        count_ = std::min(std::stoi(countText_), kMaxMails);
        return true;
    }

    bool listUids() {
        const std::string_view reply = command("FETCH 1:* UID\r\n", kListHint);
        if (!c_.answered(reply))
            return false;
        const std::vector<std::string_view> uids = imapFetchUids(reply);
        for (int i = 0; i < count_; ++i)
            c_.takeUid(i, static_cast<std::size_t>(i) < uids.size() ? uids[i] : "");
        return true;
    }

    bool fetchMails() {
        for (int i = 0; i < count_; ++i) {
            if (c_.fetchList[static_cast<std::size_t>(i)] == 0)
                continue;
            if (c_.aborted() || !fetchMail(i))
                return false;
        }
        return true;
    }

    bool fetchMail(int i) {
        c_.progress.range(0, count_);
        c_.progress.position(i);
        c_.progress.text(check_texts::readingMail(c_.account.name, i + 1, countText_));
        const std::string number = std::to_string(i + 1);
        std::string_view reply =
            command("FETCH " + number + " (BODY[HEADER] BODY[TEXT]<0.4000>)\r\n", kMailHint);
        if (!c_.answered(reply))
            return false;
        ParseFetchedMail(reply, c_.workingList, i, FetchForm::Imap);
        reply = command("FETCH " + number + " RFC822.SIZE\r\n", kShortHint);
        if (!c_.answered(reply))
            return false;
        c_.workingList.size[i] =
            static_cast<std::int32_t>(std::min<std::uint32_t>(imapRfc822Size(reply), INT32_MAX));
        c_.recordFetched(i);
        return true;
    }

    AccountCheck& c_;
    bool uidValidityChanged_ = false;
    std::string uidNext_;
    std::string countText_;
    int count_ = 0;
};

} // namespace

std::vector<std::string_view> imapFetchUids(std::string_view reply) {
    std::vector<std::string_view> uids;
    std::size_t pos = 0;
    while (pos < reply.size()) {
        const std::string_view line = takeLine(reply, pos);
        if (!isFetchResponse(line))
            continue;
        const std::size_t word = line.find("UID ");
        if (word == std::string_view::npos)
            continue;
        const std::size_t start = word + 4;
        const std::size_t close = line.find(')', start);
        std::string_view uid = line.substr(
            start, close == std::string_view::npos ? std::string_view::npos : close - start);
        while (!uid.empty() && (uid.back() == '\n' || uid.back() == '\r'))
            uid.remove_suffix(1);
        uids.push_back(uid);
    }
    return uids;
}

std::uint32_t imapRfc822Size(std::string_view reply) {
    const std::string_view firstLine = reply.substr(0, reply.find('\n'));
    const std::size_t word = firstLine.find("RFC822.SIZE");
    if (word == std::string_view::npos || word + 12 > firstLine.size())
        return 0;
    const std::string_view value = firstLine.substr(word + 12);
    std::uint32_t size = 0;
    const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), size);
    if (error == std::errc::result_out_of_range)
        return UINT32_MAX;
    return end == value.data() ? 0 : size;
}

void runImapDialogue(AccountCheck& check) {
    ImapDialogue(check).run();
}

} // namespace ombrix
