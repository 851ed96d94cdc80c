// The check run against the real test Dovecot over POP3, plain and TLS.
// Users of this program: erin (mailbox changes), carol and dave (logins only).

#include "check/dovecot_check.h"
#include "proto/session_texts.h"
#include "support/process_reset.h"

#include <gtest/gtest.h>

namespace ombrix::test {
namespace {

const std::string kPop3User = "erin";

class DovecotPop3Check : public DovecotTest, public testing::WithParamInterface<Endpoint> {
protected:
    void SetUp() override {
        DovecotTest::SetUp();
        resetProcessState();
    }

    AccountRecord& account(const std::string& user = kPop3User) {
        return configureAccount(0, server(), user, server().password(user), GetParam());
    }
};

TEST_P(DovecotPop3Check, FirstCheckListsEveryMailAndTheSecondFetchesNone) {
    const int count = 60;
    fillMailbox(server(), kPop3User, count, "pop3-list");
    AccountRecord& a = account();

    const RunOutcome first = runCheck(server().caFile);
    ASSERT_EQ(a.errorFlag, 0) << a.errorText;
    EXPECT_EQ(a.checked, 1);
    EXPECT_EQ(first.runDoneCount, 1);
    EXPECT_EQ(first.newMails, count);
    EXPECT_EQ(first.receiveTimeouts, 0u);
    // Dovecot lists PIPELINING: one LIST for every size, the TOPs pipelined
    // without a NOOP between them.
    EXPECT_EQ(countCommands(first, "CAPA"), 1);
    EXPECT_EQ(countCommands(first, "TOP"), count);
    EXPECT_EQ(countCommands(first, "LIST"), 1);
    EXPECT_EQ(countCommands(first, "NOOP"), 0);
    EXPECT_EQ(countCommands(first, "QUIT"), 1);
    expectListMatchesServer(a, GetParam(), server(), kPop3User);
    for (const MailEntry& mail : inServerOrder(a))
        EXPECT_EQ(mail.read, 0);
    const std::vector<MailEntry> firstList = inServerOrder(a);

    const RunOutcome second = runCheck(server().caFile);
    ASSERT_EQ(a.errorFlag, 0) << a.errorText;
    EXPECT_EQ(second.newMails, 0);
    EXPECT_EQ(second.receiveTimeouts, 0u);
    EXPECT_EQ(countCommands(second, "TOP"), 0);
    EXPECT_EQ(countCommands(second, "LIST"), 0);
    EXPECT_EQ(countCommands(second, "UIDL"), 1);
    EXPECT_EQ(inServerOrder(a), firstList);
}

TEST_P(DovecotPop3Check, MailAddedBetweenTwoChecksIsTheOnlyNewOne) {
    fillMailbox(server(), kPop3User, 8, "pop3-add");
    AccountRecord& a = account();
    ASSERT_EQ(runCheck(server().caFile).newMails, 8);
    ASSERT_EQ(a.errorFlag, 0) << a.errorText;
    // The user has read the mails at even server positions.
    for (int i = 0; i < validMailCount(a); ++i)
        a.mails[i].read = a.mails[i].serverPosition % 2 == 0 ? 1 : 0;

    addMail(server(), kPop3User, "pop3-add");
    const RunOutcome second = runCheck(server().caFile);
    ASSERT_EQ(a.errorFlag, 0) << a.errorText;
    EXPECT_EQ(second.newMails, 1);
    EXPECT_EQ(second.receiveTimeouts, 0u);
    EXPECT_EQ(countCommands(second, "TOP"), 1);
    expectListMatchesServer(a, GetParam(), server(), kPop3User);
    const std::vector<MailEntry> mails = inServerOrder(a);
    ASSERT_EQ(mails.size(), 9u);
    for (std::size_t i = 0; i < 8; ++i)
        EXPECT_EQ(mails[i].read, i % 2 == 0 ? 1 : 0) << "position " << i;
    EXPECT_EQ(mails[8].read, 0);
}

TEST_P(DovecotPop3Check, WrongPasswordFailsWithTheServersReplyAndKeepsTheList) {
    fillMailbox(server(), kPop3User, 3, "pop3-wrong");
    AccountRecord& a = account();
    runCheck(server().caFile);
    ASSERT_EQ(a.errorFlag, 0) << a.errorText;
    const std::vector<MailEntry> before = inServerOrder(a);

    a.password = "not-" + a.password;
    const RunOutcome failed = runCheck(server().caFile);
    EXPECT_EQ(a.errorFlag, 1);
    EXPECT_TRUE(a.errorText.starts_with("-ERR ")) << a.errorText;
    EXPECT_NE(a.errorText.find("Authentication failed"), std::string::npos) << a.errorText;
    EXPECT_EQ(countCommands(failed, "STAT"), 0);
    EXPECT_EQ(failed.runDoneCount, 1);
    EXPECT_EQ(failed.receiveTimeouts, 0u);
    EXPECT_EQ(inServerOrder(a), before);
}

TEST_P(DovecotPop3Check, PasswordsWithBlanksQuotesAndBackslashesLogIn) {
    for (const std::string user : {"carol", "dave"}) {
        SCOPED_TRACE(user);
        AccountRecord& a = account(user);
        runCheck(server().caFile);
        EXPECT_EQ(a.errorFlag, 0) << a.errorText;
        EXPECT_EQ(a.checked, 1);
    }
}

INSTANTIATE_TEST_SUITE_P(Endpoints, DovecotPop3Check, testing::Values(kPop3Plain, kPop3Tls),
                         [](const auto& endpoint) { return std::string(endpoint.param.name); });

class DovecotPop3TlsCheck : public DovecotTest {
protected:
    void SetUp() override {
        DovecotTest::SetUp();
        resetProcessState();
    }
};

TEST_F(DovecotPop3TlsCheck, ServerSignedByAnUntrustedCaFailsWithTheReason) {
    AccountRecord& a =
        configureAccount(0, server(), kPop3User, server().password(kPop3User), kPop3Tls);
    const RunOutcome outcome = runCheck(server().untrustedCaFile);
    EXPECT_EQ(a.errorFlag, 1);
    EXPECT_EQ(a.errorText,
              session_texts::certificateNotTrusted() + " (unable to get local issuer certificate)");
    EXPECT_TRUE(outcome.commands.empty());
}

} // namespace
} // namespace ombrix::test
