#include "check/pop3_dialogue.h"

#include "check/check_texts.h"
#include "check/fetched_mail.h"
#include "check/pop3_login.h"
#include "net/mail_socket.h"

#include <algorithm>
#include <charconv>
#include <string>

namespace ombrix {

namespace {

constexpr std::uint32_t kLineReplySize = 200;
constexpr std::uint32_t kUidlSize = 300000;
constexpr std::uint32_t kListReplySize = 1000000;
constexpr std::uint32_t kNoopReplySize = 100000;
constexpr std::size_t kMaxCountDigits = 4;
// A server that answers every NOOP negatively is treated like a silent one,
// so the keep-alive can never spin forever.
constexpr int kNoopAttempts = 10;

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

// The line that starts at `pos` (up to and including its LF); pos moves past it.
std::string_view takeLine(std::string_view text, std::size_t& pos) {
    if (pos >= text.size())
        return {};
    const std::size_t lf = text.find('\n', pos);
    const std::size_t end = lf == std::string_view::npos ? text.size() : lf + 1;
    const std::string_view line = text.substr(pos, end - pos);
    pos = end;
    return line;
}

std::string_view afterFirstSpace(std::string_view line) {
    const std::size_t space = line.find(' ');
    return space == std::string_view::npos ? std::string_view() : line.substr(space + 1);
}

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
        if (first)
            steps.userAccepted = [this] { c_.progress.position(10); };
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
            command("STAT\r\n", c_.timeouts.replyMs, kLineReplySize, true, false);
        if (c_.aborted())
            return false;
        if (reply.size() < 3 || reply[1] != 'O' || reply[2] != 'K') {
            c_.fail(check_texts::noResponse());
            return false;
        }
        for (std::size_t k = 4; k < reply.size() && total_.size() < kMaxCountDigits; ++k) {
            if (!isDigit(reply[k]))
                break;
            total_ += reply[k];
        }
        count_ = total_.empty() ? 0 : std::stoi(total_);
        c_.beginListing(count_);
        count_ = c_.workingList.mailCount; // never more than the arrays hold
        return true;
    }

    bool uidl() {
        const std::string_view reply =
            command("UIDL\r\n", c_.timeouts.replyMs, kUidlSize, false, true);
        if (!c_.answered(reply))
            return false;
        if (reply.size() >= 3 && reply[1] == 'E' && reply[2] == 'R') {
            for (int i = 0; i < count_; ++i) {
                c_.fetchList[static_cast<std::size_t>(i)] = 1;
                c_.workingList.uid[i] = "NOUIDL";
            }
            return true;
        }
        std::size_t pos = 0;
        takeLine(reply, pos); // the status line
        for (int i = 0; i < count_; ++i)
            c_.takeUid(i, afterFirstSpace(takeLine(reply, pos)));
        return true;
    }

    bool fetchMails() {
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
        const std::string number = std::to_string(i + 1);
        c_.progress.text(check_texts::readingMail(c_.account.name, i + 1, total_));
        std::string_view reply =
            command("LIST " + number + "\r\n", c_.timeouts.replyMs, kListReplySize, true, false);
        if (!c_.answered(reply))
            return false;
        const std::uint32_t size = pop3ListSize(reply);
        reply = command("TOP " + number + " 100\r\n", c_.timeouts.replyMs, size, false, false);
        if (!c_.answered(reply))
            return false;
        c_.workingList.size[i] =
            static_cast<std::int32_t>(std::min<std::uint32_t>(size, INT32_MAX));
        ParseFetchedMail(reply, c_.workingList, i, FetchForm::Pop3);
        c_.recordFetched(i);
        return true;
    }

    // True while the session answers; false when it is silent (or refuses on and on).
    bool keepAlive() {
        for (int attempt = 0; attempt < kNoopAttempts; ++attempt) {
            const std::string_view reply =
                command("NOOP\r\n", c_.timeouts.noopMs, kNoopReplySize, true, false);
            if (reply.empty() || c_.aborted())
                return false;
            if (reply.find("+OK") != std::string_view::npos)
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
        command("QUIT\r\n", c_.timeouts.quitMs, kLineReplySize, true, false);
    }

    AccountCheck& c_;
    int count_ = 0;
    std::string total_; // the count as the server wrote it, for the progress text
};

} // namespace

std::uint32_t pop3ListSize(std::string_view reply) {
    const std::size_t first = reply.find(' ');
    if (first == std::string_view::npos)
        return 0;
    const std::size_t second = reply.find(' ', first + 1);
    if (second == std::string_view::npos)
        return 0;
    std::uint32_t size = 0;
    const char* begin = reply.data() + second + 1;
    const auto [end, error] = std::from_chars(begin, reply.data() + reply.size(), size);
    if (error == std::errc::result_out_of_range)
        return UINT32_MAX;
    return end == begin ? 0 : size;
}

void runPop3Dialogue(AccountCheck& check) {
    Pop3Dialogue(check).run();
}

} // namespace ombrix
