#pragma once
// Common ground of the deletion-run tests: a fresh process state, account 0
// aimed at a scripted loopback server, a visible wait dialog that is ready,
// recorded run-host calls and message boxes, short time-outs.

#include "check/recording_run_host.h"
#include "core/account_table.h"
#include "core/run_flags.h"
#include "delete/delete_handover.h"
#include "delete/delete_run.h"
#include "support/loopback_server.h"
#include "support/process_reset.h"
#include "support/scripted_message_presenter.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace ombrix::test {

inline const std::string kInconsistentText =
    "It seems like there are new mails in this account or mails were deleted. No Mails will be "
    "deleted, but the content of this account will be updated now.";

// A mail as the TOP reply carries it (status line and terminator included).
inline std::string topReply(const std::string& subjectLine) {
    return "+OK\r\nFrom: ann@example.org\r\n" + subjectLine +
           "Date: Mon, 1 Jan 2024 10:00:00 +0000\r\n\r\nHello.\r\n.\r\n";
}

inline std::string subjectLine(const std::string& subject) {
    return "Subject: " + subject + "\r\n";
}

inline void pop3LoginSteps(Script& s, const std::string& messages = "1000 1234567") {
    s.sendLine("+OK POP3 ready").expect("USER bob").sendLine("+OK").expect("PASS secret");
    s.sendLine("+OK logged in").expect("STAT").sendLine("+OK " + messages);
}

// The verification of message n: NOOP, UIDL n, LIST n, TOP n 100.
inline void pop3Verify(Script& s, const std::string& n, const std::string& uid,
                       const std::string& subject) {
    const std::string top = topReply(subjectLine(subject));
    s.expect("NOOP").sendLine("+OK");
    s.expect("UIDL " + n).sendLine("+OK " + n + " " + uid);
    s.expect("LIST " + n).sendLine("+OK " + n + " " + std::to_string(top.size()));
    s.expect("TOP " + n + " 100").send(top);
}

inline void pop3Quit(Script& s) {
    s.expect("QUIT").sendLine("+OK bye");
}

// The name of a data-driven case: its `name` member.
struct CaseName {
    template <class Case> std::string operator()(const ::testing::TestParamInfo<Case>& row) const {
        return row.param.name;
    }
};
inline constexpr CaseName caseName;

class DeleteRunTest : public ::testing::Test {
protected:
    void SetUp() override {
        resetProcessState();
        windowHidden = 0;
        waitDialogReady = 1;
        timeouts_.replyMs = 5000;
        timeouts_.deleRetryMs = 300;
        timeouts_.closeMs = 1000;
    }

    AccountRecord& account(const LoopbackServer& server, bool imap = false) {
        AccountRecord& a = accounts[0];
        a.name = "acc";
        a.host = server.host();
        a.port = server.port();
        a.user = "bob";
        a.password = "secret";
        a.protocol = imap ? 1 : 0;
        a.checked = 1;
        accountCount = 1;
        return a;
    }

    // Row `row` of the account's list, as the last check stored it.
    static void listMail(AccountRecord& a, int row, std::uint32_t position, const std::string& uid,
                         const std::string& subject) {
        a.mailCount = std::max(a.mailCount, row + 1);
        a.mails[row].serverPosition = position;
        a.mails.setUid(row, uid);
        a.mails.setSubject(row, subject);
    }

    DeleteOutcome run(const std::vector<int>& rows) {
        const auto request = buildDeletionList(0, accounts[0], rows);
        EXPECT_TRUE(request);
        DeleteResult result = runDeletion(host_, request.value_or(DeletionRequest{}), timeouts_);
        why_ = std::move(result.why);
        return result.outcome;
    }

    // The calls of a clean end: wait dialog closed, end handed to the window.
    void expectCleanEnd() const {
        const std::vector<std::string> calls = host_.calls();
        ASSERT_GE(calls.size(), 2u);
        EXPECT_EQ(calls[calls.size() - 2], "close");
        EXPECT_EQ(calls.back(), "run done 100");
        EXPECT_EQ(accounts[0].checked, 0);
        EXPECT_EQ(accounts[0].errorFlag, 0);
        EXPECT_EQ(deleteRunning, 0);
        EXPECT_EQ(closeOnButton, 0);
    }

    // The calls of a failed end: the failure text and the button, nothing closed.
    void expectFailedEnd(const std::string& errorText,
                         const std::string& lead = "Could not delete mail, Error:\n") const {
        const std::vector<std::string> calls = host_.calls();
        ASSERT_GE(calls.size(), 2u);
        EXPECT_EQ(calls[calls.size() - 2], "text " + lead + errorText);
        EXPECT_EQ(calls.back(), "button");
        EXPECT_EQ(accounts[0].errorFlag, 1);
        EXPECT_EQ(accounts[0].errorText, errorText);
        EXPECT_EQ(accounts[0].checked, 1);
        EXPECT_EQ(deleteRunning, 0);
        EXPECT_EQ(closeOnButton, 1);
    }

    static std::vector<std::string> linesStartingWith(const LoopbackServer& server,
                                                      const std::string& prefix) {
        std::vector<std::string> lines;
        for (const std::string& line : server.received())
            if (line.starts_with(prefix))
                lines.push_back(line);
        return lines;
    }

    RecordingRunHost host_;
    ScriptedMessagePresenter boxes_;
    DeleteTimeouts timeouts_;
    std::string why_; // of the last run()
};

} // namespace ombrix::test
