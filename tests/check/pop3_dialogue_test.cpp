// The POP3 check dialogue against a scripted server: exact command sequences.

#include "check/account_status.h"
#include "check/pop3_dialogue.h"
#include "check_fixture.h"
#include "proto/pop3_reply_values.h"
#include "support/temp_dir.h"

#include <gmock/gmock.h>

namespace ombrix::test {
namespace {

using ::testing::ElementsAre;

class Pop3CheckTest : public CheckRunTest {};

// Two mails, both unknown: what a first check of the mailbox sends.
Script firstCheckOfTwo() {
    Script s;
    pop3Login(s);
    s.expect("STAT").sendLine("+OK 2 900");
    s.expect("UIDL").send("+OK\r\n1 uid-a\r\n2 uid-b\r\n.\r\n");
    pop3Fetch(s, 1, kMailA);
    pop3Fetch(s, 2, kMailB);
    s.expect("QUIT").sendLine("+OK bye");
    return s;
}

TEST_F(Pop3CheckTest, EmptyMailboxGoesStraightToQuitAndEmptiesTheList) {
    Script s;
    pop3Login(s);
    s.expect("STAT").sendLine("+OK 0 0").expect("QUIT").sendLine("+OK bye");
    LoopbackServer server(s);
    AccountRecord& a = account(0, server);
    storeKnown(a, 0, "old\r\n", kMailA, 0);
    a.mailCount = 1;

    runCheck();

    EXPECT_TRUE(server.waitUntilDone());
    EXPECT_THAT(server.received(), ElementsAre("USER bob", "PASS secret", "STAT", "QUIT"));
    EXPECT_EQ(a.mailCount, 0);
    EXPECT_EQ(a.checked, 1);
    EXPECT_EQ(accountStatus(a).text, "Empty - no mails");
}

TEST_F(Pop3CheckTest, FirstCheckFetchesEveryMailAndStoresItsFields) {
    LoopbackServer server(firstCheckOfTwo());
    AccountRecord& a = account(0, server);

    runCheck();

    EXPECT_TRUE(server.waitUntilDone());
    ASSERT_EQ(a.mailCount, 2);
    EXPECT_EQ(a.errorFlag, 0);
    EXPECT_EQ(a.mails.uid(0), "uid-a\r\n");
    EXPECT_EQ(a.mails.from(1), kMailB.from);
    EXPECT_EQ(a.mails.subject(0), kMailA.subject);
    EXPECT_EQ(a.mails[0].size, static_cast<int>(kMailA.text().size() + 3));
    EXPECT_EQ(a.mails[1].serverPosition, 1u);
    EXPECT_EQ(newMailCount, 2);
}

TEST_F(Pop3CheckTest, SecondCheckOfAnUnchangedMailboxSendsNoListOrTop) {
    {
        LoopbackServer first(firstCheckOfTwo());
        account(0, first);
        runCheck();
        EXPECT_TRUE(first.waitUntilDone());
    }
    auto before = std::make_unique<AccountRecord>(accounts[0]);

    Script s;
    pop3Login(s);
    s.expect("STAT").sendLine("+OK 2 900");
    s.expect("UIDL").send("+OK\r\n1 uid-a\r\n2 uid-b\r\n.\r\n");
    s.expect("QUIT").sendLine("+OK bye");
    LoopbackServer second(s);
    account(0, second);
    runCheck();

    EXPECT_TRUE(second.waitUntilDone());
    EXPECT_THAT(second.received(), ElementsAre("USER bob", "PASS secret", "STAT", "UIDL", "QUIT"));
    ASSERT_EQ(accounts[0].mailCount, 2);
    for (int i = 0; i < 2; ++i)
        EXPECT_EQ(accounts[0].mails.mail(i), before->mails.mail(i)) << "mail " << i;
    EXPECT_EQ(newMailCount, 0);
}

TEST_F(Pop3CheckTest, RefusedUidlFetchesEveryMailWithoutUid) {
    Script s;
    pop3Login(s);
    s.expect("STAT").sendLine("+OK 2 900");
    s.expect("UIDL").sendLine("-ERR not supported");
    pop3Fetch(s, 1, kMailA);
    pop3Fetch(s, 2, kMailB);
    s.expect("QUIT").sendLine("+OK bye");
    LoopbackServer server(s);
    AccountRecord& a = account(0, server);
    storeKnown(a, 0, "NOUIDL", kMailA, 1);
    a.mailCount = 1;

    runCheck();

    EXPECT_TRUE(server.waitUntilDone());
    ASSERT_EQ(a.mailCount, 2);
    EXPECT_EQ(a.mails.uid(0), "NOUIDL");
    EXPECT_EQ(a.mails.uid(1), "NOUIDL");
    EXPECT_EQ(a.mails[0].read, 1) << "the mail read before stays read when fetched again";
    EXPECT_EQ(newMailCount, 1);
}

TEST_F(Pop3CheckTest, SilentNoopLeadsToQuitANewLoginAndTheNextMail) {
    Script s;
    pop3Login(s);
    s.expect("STAT").sendLine("+OK 2 900");
    s.expect("UIDL").send("+OK\r\n1 uid-a\r\n2 uid-b\r\n.\r\n");
    const std::string body = kMailA.text() + ".\r\n";
    s.expect("LIST 1").sendLine("+OK 1 " + std::to_string(body.size()));
    s.expect("TOP 1 100").send("+OK\r\n" + body);
    s.expect("NOOP").expect("QUIT").close(); // no answer to NOOP
    pop3Login(s);
    pop3Fetch(s, 2, kMailB);
    s.expect("QUIT").sendLine("+OK bye");
    LoopbackServer server(s);
    AccountRecord& a = account(0, server);

    runCheck();

    EXPECT_TRUE(server.waitUntilDone());
    EXPECT_EQ(server.connections(), 2);
    EXPECT_THAT(server.received(),
                ElementsAre("USER bob", "PASS secret", "STAT", "UIDL", "LIST 1", "TOP 1 100",
                            "NOOP", "QUIT", "USER bob", "PASS secret", "LIST 2", "TOP 2 100",
                            "NOOP", "QUIT"));
    EXPECT_EQ(a.errorFlag, 0);
    ASSERT_EQ(a.mailCount, 2);
    EXPECT_EQ(a.mails.subject(1), kMailB.subject);
}

TEST_F(Pop3CheckTest, FailedReloginEndsTheAccountWithTheServersText) {
    Script s;
    pop3Login(s);
    s.expect("STAT").sendLine("+OK 2 900");
    s.expect("UIDL").send("+OK\r\n1 uid-a\r\n2 uid-b\r\n.\r\n");
    const std::string body = kMailA.text() + ".\r\n";
    s.expect("LIST 1").sendLine("+OK 1 " + std::to_string(body.size()));
    s.expect("TOP 1 100").send("+OK\r\n" + body);
    s.expect("NOOP").expect("QUIT").close();
    s.sendLine("+OK again").expect("USER bob").sendLine("-ERR go away");
    LoopbackServer server(s);
    AccountRecord& a = account(0, server);

    runCheck();

    EXPECT_TRUE(server.waitUntilDone());
    EXPECT_EQ(a.errorFlag, 1);
    EXPECT_EQ(a.errorText, "-ERR go away");
    EXPECT_EQ(a.mailCount, 0) << "nothing is committed after a failure";
}

// A mailbox whose every listed mail is known, so the check is STAT, UIDL and QUIT.
struct CountRow {
    const char* name;
    int serverMails; // STAT's count and the lines of the UIDL listing
    int listed;      // the list afterwards: the newest mails
};

class Pop3CountTest : public Pop3CheckTest, public ::testing::WithParamInterface<CountRow> {};

TEST_P(Pop3CountTest, StatCountIsReadInFullAndTheNewestMailsAreListed) {
    const CountRow& row = GetParam();
    const int first = row.serverMails - row.listed + 1;
    Script s;
    pop3Login(s);
    s.expect("STAT").sendLine("+OK " + std::to_string(row.serverMails) + " 123456789");
    std::string listing = "+OK\r\n";
    for (int n = 1; n <= row.serverMails; ++n)
        listing += std::to_string(n) + " u" + std::to_string(n) + "\r\n";
    s.expect("UIDL").send(listing + ".\r\n");
    s.expect("QUIT").sendLine("+OK bye");
    LoopbackServer server(s);
    AccountRecord& a = account(0, server);
    for (int i = 0; i < row.listed; ++i)
        storeKnown(a, i, "u" + std::to_string(first + i) + "\r\n", kMailA, 1);
    a.mailCount = row.listed;

    runCheck();

    EXPECT_TRUE(server.waitUntilDone());
    EXPECT_EQ(a.errorFlag, 0) << a.errorText;
    ASSERT_EQ(a.mailCount, row.listed);
    EXPECT_EQ(a.mails.uid(0), "u" + std::to_string(first) + "\r\n");
    EXPECT_EQ(a.mails.uid(row.listed - 1), "u" + std::to_string(row.serverMails) + "\r\n");
    EXPECT_EQ(a.mails[row.listed - 1].serverPosition,
              static_cast<std::uint32_t>(row.serverMails - 1))
        << "the position is the mail's place on the server";
    EXPECT_EQ(newMailCount, 0);
}

INSTANTIATE_TEST_SUITE_P(Counts, Pop3CountTest,
                         ::testing::Values(CountRow{"FiveDigits", 12345, kMaxMails},
                                           CountRow{"AboveTheArrays", 4567, kMaxMails},
                                           CountRow{"FillsTheArrays", kMaxMails, kMaxMails}),
                         [](const auto& row) { return std::string(row.param.name); });

TEST_F(Pop3CheckTest, MessageNumberThousandIsSentInFull) {
    Script s;
    pop3Login(s);
    s.expect("STAT").sendLine("+OK 1000 99999");
    std::string listing = "+OK\r\n";
    for (int n = 1; n <= 1000; ++n)
        listing += std::to_string(n) + " u" + std::to_string(n) + "\r\n";
    s.expect("UIDL").send(listing + ".\r\n");
    pop3Fetch(s, 1000, kMailC);
    s.expect("QUIT").sendLine("+OK bye");
    LoopbackServer server(s);
    AccountRecord& a = account(0, server);
    for (int i = 0; i < 999; ++i)
        storeKnown(a, i, "u" + std::to_string(i + 1) + "\r\n", kMailA, 1);
    a.mailCount = 999;

    runCheck();

    EXPECT_TRUE(server.waitUntilDone());
    ASSERT_EQ(a.mailCount, 1000);
    EXPECT_EQ(a.mails.subject(999), kMailC.subject);
    EXPECT_EQ(a.mails[999].serverPosition, 999u);
}

TEST_F(Pop3CheckTest, RefusedPasswordPutsTheServersReplyIntoTheErrorText) {
    Script s;
    s.sendLine("+OK POP3 ready").expect("USER bob").sendLine("+OK").expect("PASS secret");
    s.sendLine("-ERR [AUTH] Authentication failed.");
    LoopbackServer server(s);
    AccountRecord& a = account(0, server);
    storeKnown(a, 0, "u1\r\n", kMailA, 0);
    a.mailCount = 1;
    a.checked = 1;

    runCheck();

    EXPECT_TRUE(server.waitUntilDone());
    EXPECT_EQ(a.errorFlag, 1);
    EXPECT_EQ(a.errorText, "-ERR [AUTH] Authentication failed.");
    EXPECT_EQ(accountStatus(a).text, "Error: -ERR [AUTH] Authentication failed.");
    EXPECT_EQ(a.mailCount, 1) << "a failed account keeps its old list";
    EXPECT_EQ(a.mails.subject(0), kMailA.subject);
}

TEST_F(Pop3CheckTest, ServerThatHangsUpAfterTheGreetingDoesNotRespond) {
    Script s;
    s.sendLine("+OK POP3 ready").expect("USER bob").close();
    LoopbackServer server(s);
    AccountRecord& a = account(0, server);

    runCheck();

    EXPECT_EQ(a.errorFlag, 1);
    EXPECT_EQ(a.errorText, "mailserver does not respond");
}

TEST_F(Pop3CheckTest, UntrustedTlsServerFailsTheConnectWithItsReason) {
    TempDir dir;
    const TestCertificates certificates = makeTestCertificates(dir.path());
    Script s;
    s.sendLine("+OK never seen").close();
    LoopbackServer server(s, certificates);
    AccountRecord& a = account(0, server);
    a.useSsl = 1;

    runCheck();

    EXPECT_EQ(a.errorFlag, 1);
    EXPECT_THAT(a.errorText, ::testing::StartsWith("certificate not trusted ("));
    EXPECT_THAT(a.errorText, ::testing::EndsWith(")"));
}

TEST(Pop3ListSizeTest, SizeFollowsTheMessageNumber) {
    EXPECT_EQ(pop3ListSize("+OK 1 1234\r\n"), 1234u);
    EXPECT_EQ(pop3ListSize("+OK 1000 77\r\n"), 77u);
    EXPECT_EQ(pop3ListSize("+OK 12345 9\r\n"), 9u);
    EXPECT_EQ(pop3ListSize("-ERR no such message\r\n"), 0u);
    EXPECT_EQ(pop3ListSize("+OK\r\n"), 0u);
}

} // namespace
} // namespace ombrix::test
