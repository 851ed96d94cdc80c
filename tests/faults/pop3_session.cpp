// A POP3 server on the fake mailbox: the maildrop is fixed at login, DELE
// marks, QUIT removes the marked mails.

#include "faults/fake_mailbox.h"
#include "faults/protocol_session.h"
#include "platform/ascii.h"

#include <algorithm>
#include <charconv>
#include <set>
#include <sstream>

namespace ombrix::test {
namespace {

std::vector<std::string> words(std::string_view line) {
    std::istringstream in{std::string(line)};
    std::vector<std::string> out;
    for (std::string word; in >> word;)
        out.push_back(word);
    return out;
}

// Lines starting with a dot get another one; the terminator is added by the caller.
std::string dotStuffed(const std::string& text) {
    std::string out;
    bool lineStart = true;
    for (const char c : text) {
        if (lineStart && c == '.')
            out += '.';
        out += c;
        lineStart = c == '\n';
    }
    return out;
}

// The header and the first `lines` lines of the body, as TOP sends them.
std::string topOf(const FakeMail& mail, int lines) {
    std::string body = mail.body();
    std::size_t end = 0;
    for (int i = 0; i < lines && end < body.size(); ++i) {
        const std::size_t lf = body.find('\n', end);
        end = lf == std::string::npos ? body.size() : lf + 1;
    }
    return mail.header() + body.substr(0, end);
}

class Pop3Session final : public ProtocolSession {
public:
    Pop3Session(FakeMailbox& mailbox, bool pipelining)
        : mailbox_(mailbox), pipelining_(pipelining) {}

    Reply greeting() override { return Reply().text("+OK Fault server ready.\r\n"); }

    std::string command(std::string_view line) const override { return upper(line); }

    Reply answer(std::string_view line, bool& ends) override {
        const std::vector<std::string> w = words(line);
        const std::string verb = w.empty() ? "" : upper(w[0]);
        if (verb == "QUIT") {
            ends = true;
            if (loggedIn_)
                commit();
            return Reply().text("+OK Logging out.\r\n");
        }
        if (verb == "USER")
            return Reply().text("+OK\r\n");
        if (verb == "PASS") {
            loggedIn_ = true;
            drop_ = mailbox_.mails();
            return Reply().text("+OK Logged in.\r\n");
        }
        if (!loggedIn_)
            return Reply().text("-ERR Unknown command.\r\n");
        if (verb == "NOOP")
            return Reply().text("+OK\r\n");
        if (verb == "CAPA" && pipelining_)
            return Reply().text(
                "+OK Capability list follows\r\nTOP\r\nUIDL\r\nPIPELINING\r\n.\r\n");
        if (verb == "STAT")
            return stat();
        if (verb == "RSET") {
            marked_.clear();
            return Reply().text("+OK\r\n");
        }
        if ((verb == "UIDL" || verb == "LIST") && w.size() == 1)
            return listing(verb == "UIDL");
        int n = 0;
        if (w.size() < 2 || !messageNumber(w[1], n))
            return Reply().text("-ERR There's no message " + (w.size() < 2 ? "" : w[1]) + ".\r\n");
        const FakeMail& mail = drop_[static_cast<std::size_t>(n - 1)];
        if (verb == "UIDL")
            return Reply().text("+OK " + w[1] + " " + pop3UniqueId(mail.uid) + "\r\n");
        if (verb == "LIST")
            return Reply().text("+OK " + w[1] + " " + std::to_string(mail.message().size()) +
                                "\r\n");
        if (verb == "TOP" && w.size() == 3)
            return Reply()
                .text("+OK\r\n")
                .data(dotStuffed(topOf(mail, std::stoi(w[2]))))
                .text(".\r\n");
        if (verb == "RETR")
            return Reply().text("+OK\r\n").data(dotStuffed(mail.message())).text(".\r\n");
        if (verb == "DELE") {
            marked_.insert(n);
            return Reply().text("+OK Marked to be deleted.\r\n");
        }
        return Reply().text("-ERR Unknown command.\r\n");
    }

    Reply refusal(std::string_view, FaultKind kind) const override {
        if (kind == FaultKind::BadText)
            return Reply().text("-ERR " + hostileRefusalText() + "\r\n");
        return Reply().text("-ERR [SYS/TEMP] Fault injected.\r\n");
    }

private:
    bool messageNumber(const std::string& text, int& n) const {
        const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), n);
        return error == std::errc{} && end == text.data() + text.size() && n >= 1 &&
               n <= static_cast<int>(drop_.size()) && !marked_.contains(n);
    }

    Reply stat() const {
        std::size_t size = 0;
        for (const FakeMail& mail : drop_)
            size += mail.message().size();
        return Reply().text("+OK " + std::to_string(drop_.size()) + " " + std::to_string(size) +
                            "\r\n");
    }

    Reply listing(bool uids) const {
        Reply reply;
        reply.text("+OK\r\n");
        for (std::size_t i = 0; i < drop_.size(); ++i) {
            const int n = static_cast<int>(i + 1);
            const std::string value =
                uids ? pop3UniqueId(drop_[i].uid) : std::to_string(drop_[i].message().size());
            reply.listed(n, std::to_string(n) + " " + value + "\r\n");
        }
        return reply.text(".\r\n");
    }

    void commit() {
        std::vector<std::uint32_t> uids;
        for (const int n : marked_)
            uids.push_back(drop_[static_cast<std::size_t>(n - 1)].uid);
        mailbox_.expunge(uids);
        marked_.clear();
    }

    FakeMailbox& mailbox_;
    bool pipelining_;
    bool loggedIn_ = false;
    std::vector<FakeMail> drop_;
    std::set<int> marked_;
};

} // namespace

std::string upper(std::string_view text) {
    std::string out(text);
    std::ranges::transform(out, out.begin(), asciiUpper);
    return out;
}

std::string hostileRefusalText() {
    return std::string("Fault \xff\xfe\xc3\x28 injected \x1b[31m red \x07 bell ") +
           std::string(400, 'x');
}

std::unique_ptr<ProtocolSession> makePop3Session(FakeMailbox& mailbox, bool pipelining) {
    return std::make_unique<Pop3Session>(mailbox, pipelining);
}

} // namespace ombrix::test
