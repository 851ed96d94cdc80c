#pragma once
// The server side of one POP3 or IMAP session on the fake mailbox: it
// answers well-formed commands as a plain server would. Faults are laid on
// top by the fault server.

#include "faults/fault_plan.h"
#include "faults/fault_reply.h"

#include <memory>
#include <string>
#include <string_view>

namespace ombrix::test {

class FakeMailbox;

class ProtocolSession {
public:
    virtual ~ProtocolSession() = default;
    virtual Reply greeting() = 0;
    // The step name of a client line: the command without an IMAP tag.
    virtual std::string command(std::string_view line) const = 0;
    // Carries the command out; `ends` is set when the session ends after the reply.
    virtual Reply answer(std::string_view line, bool& ends) = 0;
    // The refusal of a Refuse, Bad or BadText fault (empty line: the greeting).
    virtual Reply refusal(std::string_view line, FaultKind kind) const = 0;
};

enum class Protocol { Pop3, Imap };

struct ServerTraits {
    Protocol protocol = Protocol::Pop3;
    bool uidPlus = true; // IMAP: the server announces UIDPLUS
    // IMAP: the server refuses a check's UID FETCH of header and text with
    // BAD, as a server might that takes no sets, so the check goes on one
    // mail at a time.
    bool refusesBatches = false;
    // POP3: the server answers CAPA and lists PIPELINING in it (without, CAPA
    // is an unknown command).
    bool pop3Pipelining = false;
};

std::unique_ptr<ProtocolSession> makePop3Session(FakeMailbox& mailbox, bool pipelining);
std::unique_ptr<ProtocolSession> makeImapSession(FakeMailbox& mailbox, const ServerTraits& traits);

// Commands and keywords are case-insensitive: both sessions compare them in upper case.
std::string upper(std::string_view text);

// The text of a BadText refusal: invalid UTF-8, an escape sequence, a bell.
std::string hostileRefusalText();

} // namespace ombrix::test
