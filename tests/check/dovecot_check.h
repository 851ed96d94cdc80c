#pragma once
// Check runs against the private test Dovecot: accounts pointed at its ports,
// one run of the real check thread, and the resulting mail list compared with
// what the mail generator recorded and the server lists.

#include "check/account_check.h"
#include "core/account_table.h"
#include "core/run_host.h"
#include "support/dovecot.h"
#include "support/temp_dir.h"

#include <string>
#include <vector>

namespace ombrix::test {

enum class MailProtocol { Pop3, Imap };

struct Endpoint {
    MailProtocol protocol = MailProtocol::Pop3;
    bool tls = false;
    const char* name = "";
};

inline const Endpoint kPop3Plain{MailProtocol::Pop3, false, "POP3"};
inline const Endpoint kPop3Tls{MailProtocol::Pop3, true, "POP3S"};
inline const Endpoint kImapPlain{MailProtocol::Imap, false, "IMAP"};
inline const Endpoint kImapTls{MailProtocol::Imap, true, "IMAPS"};

// A run host without a window: remembers whether the run handed over its end.
class HeadlessRunHost : public RunHost {
public:
    void setTrayIcon(TrayIconKind) override {}
    void setTrayTooltip(const std::string&) override {}
    void setWaitText(const std::string&) override {}
    void setWaitRange(int, int) override {}
    void setWaitPosition(int) override {}
    void showWaitButton() override {}
    void closeWaitDialog() override {}
    void stopAlarmTimers() override {}
    void armRunDone(int) override { ++runDoneCount; }

    int runDoneCount = 0;
};

// The port of an endpoint on the server.
int portOf(const DovecotServer& server, const Endpoint& endpoint);

// Fills account slot `slot` (and raises accountCount to include it) with a
// fresh account of `user` on the endpoint.
AccountRecord& configureAccount(int slot, const DovecotServer& server, const std::string& user,
                                const std::string& password, const Endpoint& endpoint);

// Everything a check run leaves behind, besides the account table.
struct RunOutcome {
    int newMails = 0;
    int runDoneCount = 0;
    std::vector<std::string> commands; // every line sent, passwords masked
    std::uint32_t receiveTimeouts = 0; // receives that waited out their time-out
};

// The check run over the account table, on a thread of its own as the window
// starts it, with the window hidden. trustedCa becomes SSL_CERT_FILE.
RunOutcome runCheck(const std::string& trustedCa, const CheckTimeouts& timeouts = {});

// The mails of the list in the server's order (by serverPosition).
std::vector<MailEntry> inServerOrder(const AccountRecord& account);

// Expects the account's list to hold exactly the server's mails, in its order,
// with the senders, subjects, dates and sizes the generator recorded and the
// unique ids the server gives them.
void expectListMatchesServer(const AccountRecord& account, const Endpoint& endpoint,
                             const DovecotServer& server, const std::string& user);

// Commands sent that begin with `verb` (after an IMAP tag for IMAP).
int countCommands(const RunOutcome& outcome, const std::string& verb);

// The display form of a mail's date: DD.MM.YYYY.
std::string listDate(const ManifestMail& mail);

} // namespace ombrix::test
