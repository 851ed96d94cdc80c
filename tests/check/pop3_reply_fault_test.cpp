// The POP3 check against servers whose replies are not what they claim to be:
// greetings that come late, split or refusing; listings in another order or
// longer than the list; replies cut by the time-out; keep-alive answers that
// do not begin with "+OK"; refusals that are huge or carry control bytes.

#include "check/account_status.h"
#include "check_fixture.h"

#include <cstdio>
#include <functional>
#include <gmock/gmock.h>

namespace ombrix::test {
namespace {

using namespace std::chrono_literals;
using namespace std::string_literals;
using ::testing::ElementsAre;

class Pop3ReplyFaultTest : public CheckRunTest {
protected:
    // The list of an earlier check: uid-a (mail A, read) and uid-b (mail B).
    AccountRecord& checkedBefore(const LoopbackServer& server) {
        AccountRecord& a = account(0, server);
        storeKnown(a, 0, "uid-a\r\n", kMailA, 1);
        storeKnown(a, 1, "uid-b\r\n", kMailB, 0);
        a.mailCount = 2;
        a.checked = 1;
        return a;
    }

    static void expectOldListKept(const AccountRecord& a) {
        EXPECT_EQ(a.errorFlag, 1);
        ASSERT_EQ(a.mailCount, 2) << "a failed account keeps its old list";
        EXPECT_EQ(a.mails.uid(0), "uid-a\r\n");
        EXPECT_EQ(a.mails.subject(1), kMailB.subject);
        EXPECT_EQ(a.mails.bodyPreview(0), "stored preview");
    }
};

struct GreetingRow {
    const char* name;
    std::function<void(Script&)> greeting; // what the server says first
    std::uint32_t replyMs;
    std::string errorText; // empty: the check succeeds
};

class Pop3GreetingTest : public Pop3ReplyFaultTest,
                         public ::testing::WithParamInterface<GreetingRow> {};

// Nothing is sent before "+OK": a greeting taken late for the answer to USER
// would shift every reply by one, and STAT would read "+OK Logged in.".
TEST_P(Pop3GreetingTest, OnlyAWholeOkGreetingOpensTheLogin) {
    const GreetingRow& row = GetParam();
    timeouts_.replyMs = row.replyMs;
    Script s;
    row.greeting(s);
    if (row.errorText.empty()) {
        s.expect("USER bob").sendLine("+OK").expect("PASS secret").sendLine("+OK Logged in.");
        s.expect("STAT").sendLine("+OK 2 900");
        s.expect("UIDL").send("+OK\r\n1 uid-a\r\n2 uid-b\r\n.\r\n");
        s.expect("QUIT").sendLine("+OK bye");
    } else {
        s.expectClose();
    }
    LoopbackServer server(s);
    AccountRecord& a = checkedBefore(server);

    runCheck();

    EXPECT_TRUE(server.waitUntilDone());
    if (row.errorText.empty()) {
        EXPECT_EQ(a.errorFlag, 0) << a.errorText;
        EXPECT_EQ(a.mailCount, 2);
        return;
    }
    EXPECT_EQ(a.errorText, row.errorText);
    expectOldListKept(a);
}

INSTANTIATE_TEST_SUITE_P(
    Greetings, Pop3GreetingTest,
    ::testing::Values(
        GreetingRow{"Missing", [](Script&) {}, 300, "mailserver does not respond"},
        GreetingRow{"LaterThanTheTimeOut", [](Script& s) { s.send("+OK POP3 re"); }, 300,
                    "mailserver does not respond"},
        GreetingRow{"Refusing",
                    [](Script& s) { s.sendLine("-ERR [SYS/TEMP] Server busy, try later"); }, 5000,
                    "-ERR [SYS/TEMP] Server busy, try later"},
        GreetingRow{"NotPop3", [](Script& s) { s.sendLine("* OK IMAP4rev1 ready"); }, 5000,
                    "* OK IMAP4rev1 ready"},
        GreetingRow{"SplitIntoChunks",
                    [](Script& s) {
                        s.send("+O").pause(30ms).send("K POP3 ready\r").pause(30ms).send("\n");
                    },
                    5000, ""}),
    [](const auto& row) { return std::string(row.param.name); });

TEST_F(Pop3ReplyFaultTest, UidlLinesPairByTheNumberTheyNameNotByTheirOrder) {
    Script s;
    pop3Login(s);
    s.expect("STAT").sendLine("+OK 3 900");
    s.expect("UIDL").send("+OK\r\n3 uid-c\r\n2 uid-b\r\n1 uid-a\r\n.\r\n");
    pop3Fetch(s, 3, kMailC);
    s.expect("QUIT").sendLine("+OK bye");
    LoopbackServer server(s);
    AccountRecord& a = checkedBefore(server);

    runCheck();

    EXPECT_TRUE(server.waitUntilDone());
    EXPECT_EQ(a.errorFlag, 0) << a.errorText;
    ASSERT_EQ(a.mailCount, 3);
    EXPECT_EQ(a.mails.uid(0), "uid-a\r\n");
    EXPECT_EQ(a.mails.subject(0), kMailA.subject);
    EXPECT_EQ(a.mails.uid(1), "uid-b\r\n");
    EXPECT_EQ(a.mails.subject(1), kMailB.subject);
    EXPECT_EQ(a.mails.uid(2), "uid-c\r\n");
    EXPECT_EQ(a.mails.subject(2), kMailC.subject);
    EXPECT_EQ(newMailCount, 1);
}

// Ids of 70 characters, the longest POP3 allows.
std::string longUid(int number) {
    char digits[16];
    std::snprintf(digits, sizeof digits, "%06d", number);
    return std::string(64, 'z') + digits;
}

// 5000 mails: the listing (about 380 kB) is longer than any reply buffer, and
// its ids of the newest mails come last.
TEST_F(Pop3ReplyFaultTest, MailboxAboveTheListIsListedFromItsNewestMails) {
    constexpr int kServerMails = 5000;
    constexpr int kFirst = kServerMails - kMaxMails + 1;
    Script s;
    pop3Login(s);
    s.expect("STAT").sendLine("+OK " + std::to_string(kServerMails) + " 99999999");
    std::string listing = "+OK\r\n";
    for (int n = 1; n <= kServerMails; ++n)
        listing += std::to_string(n) + " " + longUid(n) + "\r\n";
    s.expect("UIDL").send(listing + ".\r\n");
    pop3Fetch(s, kServerMails, kMailC);
    s.expect("QUIT").sendLine("+OK bye");
    LoopbackServer server(s);
    AccountRecord& a = account(0, server);
    for (int i = 0; i < kMaxMails - 1; ++i)
        storeKnown(a, i, longUid(kFirst + i) + "\r\n", kMailA, 1);
    a.mailCount = kMaxMails - 1;

    runCheck();

    EXPECT_TRUE(server.waitUntilDone());
    EXPECT_EQ(a.errorFlag, 0) << a.errorText;
    ASSERT_EQ(a.mailCount, kMaxMails);
    EXPECT_EQ(a.mails.uid(0), longUid(kFirst) + "\r\n");
    EXPECT_EQ(a.mails.uid(kMaxMails - 1), longUid(kServerMails) + "\r\n");
    EXPECT_EQ(a.mails.subject(kMaxMails - 1), kMailC.subject);
    EXPECT_EQ(a.mails[kMaxMails - 1].serverPosition, static_cast<std::uint32_t>(kServerMails - 1));
    EXPECT_EQ(newMailCount, 1) << "the newest mail is announced";
}

TEST_F(Pop3ReplyFaultTest, ListingThatLacksAMessageFailsTheAccount) {
    Script s;
    pop3Login(s);
    s.expect("STAT").sendLine("+OK 3 900");
    s.expect("UIDL").send("+OK\r\n1 uid-a\r\n3 uid-c\r\n.\r\n");
    LoopbackServer server(s);
    AccountRecord& a = checkedBefore(server);

    runCheck();

    EXPECT_TRUE(server.waitUntilDone());
    EXPECT_THAT(a.errorText, ::testing::StartsWith("protocol error"));
    expectOldListKept(a);
}

struct Pop3CutRow {
    const char* name;
    std::function<void(Script&)> steps; // after the login; the server falls silent after them
};

class Pop3CutReplyTest : public Pop3ReplyFaultTest,
                         public ::testing::WithParamInterface<Pop3CutRow> {};

// The server trickles the start of a reply and never finishes it: what came
// within the time-out is no reply, never an empty or partial list.
TEST_P(Pop3CutReplyTest, ReplyCutByTheTimeOutFailsTheAccount) {
    timeouts_.replyMs = 300;
    Script s;
    pop3Login(s);
    GetParam().steps(s);
    s.silent();
    LoopbackServer server(s);
    AccountRecord& a = checkedBefore(server);

    runCheck();

    EXPECT_EQ(a.errorText, "mailserver does not respond");
    expectOldListKept(a);
}

INSTANTIATE_TEST_SUITE_P(
    Replies, Pop3CutReplyTest,
    ::testing::Values(
        Pop3CutRow{"StatBeforeItsCount",
                   [](Script& s) { s.expect("STAT").send("+OK").pause(50ms).send(" "); }},
        Pop3CutRow{"UidlBeforeItsTerminator",
                   [](Script& s) {
                       s.expect("STAT").sendLine("+OK 2 900");
                       s.expect("UIDL").send("+OK\r\n1 uid-a\r\n").pause(50ms).send("2 uid-b\r\n");
                   }},
        Pop3CutRow{"TopBeforeItsTerminator",
                   [](Script& s) {
                       s.expect("STAT").sendLine("+OK 3 900");
                       s.expect("UIDL").send("+OK\r\n1 uid-a\r\n2 uid-b\r\n3 uid-c\r\n.\r\n");
                       s.expect("LIST 3").sendLine("+OK 3 120");
                       s.expect("TOP 3 100").send("+OK\r\n").pause(50ms).send(kMailC.header());
                   }}),
    [](const auto& row) { return std::string(row.param.name); });

struct WrongReplyRow {
    const char* name;
    std::function<void(Script&)> steps; // after the login, up to the wrong reply
    std::string errorText;              // exact, or the start of a protocol fault
};

void PrintTo(const WrongReplyRow& row, std::ostream* out) {
    *out << row.name;
}

class Pop3WrongReplyTest : public Pop3ReplyFaultTest,
                           public ::testing::WithParamInterface<WrongReplyRow> {};

// A reply the list depends on that is not "+OK" with what it should hold:
// read as a count or as a mail, it gave an empty list or a row without
// subject, and the check passed for a success.
TEST_P(Pop3WrongReplyTest, FailsTheAccountWithTheServersText) {
    Script s;
    pop3Login(s);
    GetParam().steps(s);
    s.expectClose();
    LoopbackServer server(s);
    AccountRecord& a = checkedBefore(server);

    runCheck();

    EXPECT_TRUE(server.waitUntilDone());
    EXPECT_THAT(a.errorText, ::testing::StartsWith(GetParam().errorText));
    expectOldListKept(a);
}

// STAT, UIDL with one unknown mail (3), and the LIST of it.
void listingWithNewMail(Script& s) {
    s.expect("STAT").sendLine("+OK 3 900");
    s.expect("UIDL").send("+OK\r\n1 uid-a\r\n2 uid-b\r\n3 uid-c\r\n.\r\n");
}

INSTANTIATE_TEST_SUITE_P(
    Replies, Pop3WrongReplyTest,
    ::testing::Values(
        WrongReplyRow{"StatWithNulBeforeItsCount",
                      [](Script& s) { s.expect("STAT").send("+OK\0 3 900\r\n"s); },
                      "protocol error"},
        WrongReplyRow{"StatWithoutCount", [](Script& s) { s.expect("STAT").sendLine("+OK"); },
                      "protocol error"},
        WrongReplyRow{"ListRefused",
                      [](Script& s) {
                          listingWithNewMail(s);
                          s.expect("LIST 3").sendLine("-ERR [SYS/TEMP] try again");
                      },
                      "-ERR [SYS/TEMP] try again"},
        WrongReplyRow{"ListGarbled",
                      [](Script& s) {
                          listingWithNewMail(s);
                          s.expect("LIST 3").sendLine("\x01garbage");
                      },
                      "?garbage"},
        WrongReplyRow{"TopRefused",
                      [](Script& s) {
                          listingWithNewMail(s);
                          s.expect("LIST 3").sendLine("+OK 3 120");
                          s.expect("TOP 3 100").sendLine("-ERR \x1b[2Jno such message");
                      },
                      "-ERR ?[2Jno such message"},
        WrongReplyRow{"TopWithNulBeforeItsStatus",
                      [](Script& s) {
                          listingWithNewMail(s);
                          s.expect("LIST 3").sendLine("+OK 3 120");
                          s.expect("TOP 3 100").send("\0+OK\r\n"s + kMailC.text() + ".\r\n");
                      },
                      "?+OK"}),
    [](const auto& row) { return std::string(row.param.name); });

// "-ERR ... +OK" holds "+OK" but refuses: the keep-alive gives up after its
// attempts and opens a new session, as after silence.
TEST_F(Pop3ReplyFaultTest, KeepAliveAcceptsOnlyAStatusLineThatBeginsWithOk) {
    Script s;
    pop3Login(s);
    s.expect("STAT").sendLine("+OK 3 900");
    s.expect("UIDL").send("+OK\r\n1 uid-a\r\n2 uid-b\r\n3 uid-c\r\n.\r\n");
    const std::string body = kMailC.text() + ".\r\n";
    s.expect("LIST 3").sendLine("+OK 3 " + std::to_string(body.size()));
    s.expect("TOP 3 100").send("+OK\r\n" + body);
    for (int attempt = 0; attempt < 10; ++attempt)
        s.expect("NOOP").sendLine("-ERR not now, +OK later");
    s.expect("QUIT").close();
    pop3Login(s);
    s.expect("QUIT").sendLine("+OK bye");
    LoopbackServer server(s);
    AccountRecord& a = checkedBefore(server);

    runCheck();

    EXPECT_TRUE(server.waitUntilDone());
    EXPECT_EQ(server.connections(), 2);
    EXPECT_EQ(a.errorFlag, 0) << a.errorText;
    ASSERT_EQ(a.mailCount, 3);
    EXPECT_EQ(a.mails.subject(2), kMailC.subject);
}

struct RefusalRow {
    const char* name;
    std::string reply; // to PASS
    std::string errorText;
};

class Pop3RefusalTextTest : public Pop3ReplyFaultTest,
                            public ::testing::WithParamInterface<RefusalRow> {};

TEST_P(Pop3RefusalTextTest, IsShownOnOneBoundedLineWithoutControls) {
    Script s;
    s.sendLine("+OK POP3 ready").expect("USER bob").sendLine("+OK").expect("PASS secret");
    s.send(GetParam().reply);
    LoopbackServer server(s);
    AccountRecord& a = checkedBefore(server);

    runCheck();

    EXPECT_TRUE(server.waitUntilDone());
    EXPECT_EQ(a.errorText, GetParam().errorText);
    EXPECT_LE(a.errorText.size(), 300u);
    EXPECT_EQ(accountStatus(a).text, "Error: " + GetParam().errorText);
    expectOldListKept(a);
}

INSTANTIATE_TEST_SUITE_P(
    Refusals, Pop3RefusalTextTest,
    ::testing::Values(RefusalRow{"TwoHundredKilobytes", "-ERR " + std::string(200000, 'x') + "\r\n",
                                 "-ERR " + std::string(292, 'x') + "..."},
                      RefusalRow{"ControlBytes", "-ERR \x1b]0;owned\x07 bad\x00 pass\rword\r\n"s,
                                 "-ERR ?]0;owned? bad? pass word"}),
    [](const auto& row) { return std::string(row.param.name); });

} // namespace
} // namespace ombrix::test
