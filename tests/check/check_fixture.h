#pragma once
// Common ground of the check-run tests: a fresh process state, accounts aimed
// at scripted loopback servers, canned mails and short time-outs.

#include "check/check_run.h"
#include "check/mail_sort.h"
#include "config/read_state_switches.h"
#include "core/account_table.h"
#include "core/password_keyring.h"
#include "core/run_flags.h"
#include "recording_run_host.h"
#include "support/loopback_server.h"
#include "support/process_reset.h"

#include <gtest/gtest.h>
#include <string>

namespace ombrix::test {

struct CannedMail {
    std::string from;
    std::string subject;
    std::string date;

    std::string header() const {
        return "From: " + from + "\r\nSubject: " + subject + "\r\nDate: " + date + "\r\n\r\n";
    }
    std::string text() const { return header() + "Hello there.\r\n"; }
};

inline const CannedMail kMailA{"alice@example.org", "Lunch", "Mon, 1 Jan 2024 10:00:00 +0000"};
inline const CannedMail kMailB{"bob@example.org", "Report", "Tue, 2 Jan 2024 11:00:00 +0000"};
inline const CannedMail kMailC{"carol@example.org", "Party", "Wed, 3 Jan 2024 12:00:00 +0000"};
inline const CannedMail kMailD{"dave@example.org", "Minutes", "Thu, 4 Jan 2024 13:00:00 +0000"};

// A POP3 exchange for one unknown mail: LIST, TOP and the NOOP after it.
inline void pop3Fetch(Script& s, int number, const CannedMail& mail) {
    const std::string body = mail.text() + ".\r\n";
    const std::string n = std::to_string(number);
    s.expect("LIST " + n).sendLine("+OK " + n + " " + std::to_string(body.size()));
    s.expect("TOP " + n + " 100").send("+OK\r\n" + body);
    s.expect("NOOP").sendLine("+OK");
}

inline void pop3Login(Script& s) {
    s.sendLine("+OK POP3 ready").expect("USER bob").sendLine("+OK").expect("PASS secret");
    s.sendLine("+OK logged in");
}

// The reply to FETCH n (BODY[HEADER] BODY[TEXT]<0.4000>) and its completion.
inline std::string imapBodyReply(int number, const CannedMail& mail, const std::string& tag) {
    const std::string header = mail.header();
    const std::string text = "Hello there.\r\n";
    return "* " + std::to_string(number) + " FETCH (BODY[HEADER] {" +
           std::to_string(header.size()) + "}\r\n" + header + " BODY[TEXT]<0> {" +
           std::to_string(text.size()) + "}\r\n" + text + ")\r\n" + tag +
           " OK Fetch completed.\r\n";
}

inline void imapLoginSteps(Script& s) {
    s.sendLine("* OK IMAP ready").expect("a000 LOGIN bob secret").sendLine("a000 OK Logged in");
}

// EXAMINE with the given UIDVALIDITY, then both STATUS commands.
inline void imapStatus(Script& s, const std::string& validity, const std::string& uidNext,
                       const std::string& messages) {
    s.expect("a001 EXAMINE INBOX")
        .send("* FLAGS (\\Seen)\r\n* OK [UIDVALIDITY " + validity +
              "] UIDs valid\r\na001 OK [READ-ONLY] Examine completed.\r\n");
    s.expect("a002 STATUS INBOX (UIDNEXT)")
        .send("* STATUS INBOX (UIDNEXT " + uidNext + ")\r\na002 OK Status completed.\r\n");
    s.expect("a003 STATUS INBOX (MESSAGES)")
        .send("* STATUS INBOX (MESSAGES " + messages + ")\r\na003 OK Status completed.\r\n");
}

class CheckRunTest : public ::testing::Test {
protected:
    void SetUp() override {
        resetProcessState();
        windowHidden = 1;
        timeouts_.replyMs = 5000;
        timeouts_.noopMs = 300;
        timeouts_.quitMs = 1000;
        // The scripts here hold the one-mail dialogue; the batches have
        // their own (imap_batch_test.cpp).
        timeouts_.imapBatchMails = 0;
    }

    // Account k of the table, aimed at the server; accountCount grows to cover it.
    AccountRecord& account(int k, const LoopbackServer& server, bool imap = false) {
        AccountRecord& a = accounts[k];
        a.name = "account" + std::to_string(k);
        a.host = server.host();
        a.port = server.port();
        a.user = "bob";
        a.password = "secret";
        a.protocol = imap ? 1 : 0;
        // The scripts here hold the described dialogue, with its local read
        // marks; a test of the server's read state turns it back on.
        if (imap)
            followServer(a, false);
        if (accountCount < static_cast<std::uint32_t>(k + 1))
            accountCount = static_cast<std::uint32_t>(k + 1);
        return a;
    }

    // Whether the account's read marks follow the server's \Seen.
    static void followServer(const AccountRecord& a, bool follow) {
        test::changeProgramConf([&](ProgramConf& conf) {
            setReadStateSwitches(conf, keyringKeyOf(a), {follow, follow});
        });
    }

    void runCheck() { CheckThread(host_, timeouts_, sortOrder); }

    // The order the run is given: the server's, so indices read as message numbers.
    std::uint8_t sortOrder = 0;

    RecordingRunHost host_;
    CheckTimeouts timeouts_;
};

// An entry of a list as an earlier check left it.
inline void storeKnown(AccountRecord& a, int i, const std::string& uid, const CannedMail& mail,
                       std::uint8_t read) {
    a.mails.setUid(i, uid);
    a.mails.setFrom(i, mail.from);
    a.mails.setSubject(i, mail.subject);
    a.mails.setDate(i, mail.date);
    a.mails[i].read = read;
    a.mails[i].size = 100 + i;
    a.mails.setBodyPreview(i, "stored preview");
}

} // namespace ombrix::test
