// The IMAP check dialogue against a scripted server: exact command sequences.

#include "check/account_status.h"
#include "check/imap_dialogue.h"
#include "check_fixture.h"
#include "proto/imap_fetch_response.h"
#include "proto/imap_login.h"

#include <gmock/gmock.h>

namespace ombrix::test {
namespace {

using ::testing::ElementsAre;

class ImapCheckTest : public CheckRunTest {
protected:
    // The list of an earlier check: uids 11 and 12, UIDVALIDITY 7, UIDNEXT 13.
    AccountRecord& checkedBefore(const LoopbackServer& server) {
        AccountRecord& a = account(0, server, true);
        storeKnown(a, 0, "11", kMailA, 1);
        storeKnown(a, 1, "12", kMailB, 0);
        a.mailCount = 2;
        a.uidValidity = "7";
        a.uidNext = "13";
        a.checked = 1;
        return a;
    }
};

void imapFetchMail(Script& s, int number, const CannedMail& mail, int tag) {
    const std::string body = "a" + std::string(tag < 10 ? "00" : "0") + std::to_string(tag);
    const std::string size = "a" + std::string(tag + 1 < 10 ? "00" : "0") + std::to_string(tag + 1);
    const std::string n = std::to_string(number);
    s.expect(body + " FETCH " + n + " (BODY[HEADER] BODY[TEXT]<0.4000>)")
        .send(imapBodyReply(number, mail, body));
    s.expect(size + " FETCH " + n + " RFC822.SIZE")
        .send("* " + n + " FETCH (RFC822.SIZE 4321)\r\n" + size + " OK Fetch completed.\r\n");
}

TEST_F(ImapCheckTest, FirstCheckListsUidsAndFetchesEveryMail) {
    Script s;
    imapLoginSteps(s);
    imapStatus(s, "7", "13", "2");
    s.expect("a004 FETCH 1:* UID")
        .send("* 1 FETCH (UID 11)\r\n* 2 FETCH (UID 12)\r\na004 OK Fetch completed.\r\n");
    imapFetchMail(s, 1, kMailA, 5);
    imapFetchMail(s, 2, kMailB, 7);
    s.expect("a009 LOGOUT").sendLine("* BYE").sendLine("a009 OK Logout completed.");
    LoopbackServer server(s);
    AccountRecord& a = account(0, server, true);

    runCheck();

    EXPECT_TRUE(server.waitUntilDone());
    EXPECT_EQ(a.errorFlag, 0);
    ASSERT_EQ(a.mailCount, 2);
    EXPECT_EQ(a.mails.uid(0), "11");
    EXPECT_EQ(a.mails.uid(1), "12");
    EXPECT_EQ(a.mails.from(1), kMailB.from);
    EXPECT_EQ(a.mails[0].size, 4321);
    EXPECT_THAT(a.mails.bodyPreview(0), ::testing::HasSubstr("Hello there."));
    EXPECT_EQ(a.uidValidity, "7");
    EXPECT_EQ(a.uidNext, "13");
    EXPECT_EQ(newMailCount, 2);
}

TEST_F(ImapCheckTest, UnchangedMailboxEndsAtTheShortcutWithoutFetch) {
    Script s;
    imapLoginSteps(s);
    imapStatus(s, "7", "13", "2");
    s.expect("a004 LOGOUT").sendLine("a004 OK Logout completed.");
    LoopbackServer server(s);
    AccountRecord& a = checkedBefore(server);
    auto before = std::make_unique<AccountRecord>(a);

    runCheck();

    EXPECT_TRUE(server.waitUntilDone());
    EXPECT_THAT(server.received(), ElementsAre("a000 LOGIN bob secret", "a001 EXAMINE INBOX",
                                               "a002 STATUS INBOX (UIDNEXT)",
                                               "a003 STATUS INBOX (MESSAGES)", "a004 LOGOUT"));
    ASSERT_EQ(a.mailCount, 2);
    for (int i = 0; i < 2; ++i)
        EXPECT_EQ(a.mails.mail(i), before->mails.mail(i));
    EXPECT_EQ(a.checked, 1);
}

TEST_F(ImapCheckTest, NewMailRaisesUidNextAndOnlyItIsFetched) {
    Script s;
    imapLoginSteps(s);
    imapStatus(s, "7", "14", "3");
    // An EXISTS update inside the listing must not shift the UIDs.
    s.expect("a004 FETCH 1:* UID")
        .send("* 1 FETCH (UID 11)\r\n* 3 EXISTS\r\n* 2 FETCH (UID 12)\r\n* 3 FETCH (UID 13)\r\n"
              "a004 OK Fetch completed.\r\n");
    imapFetchMail(s, 3, kMailC, 5);
    s.expect("a007 LOGOUT").sendLine("a007 OK Logout completed.");
    LoopbackServer server(s);
    AccountRecord& a = checkedBefore(server);

    runCheck();

    EXPECT_TRUE(server.waitUntilDone());
    ASSERT_EQ(a.mailCount, 3);
    EXPECT_EQ(a.mails.uid(1), "12");
    EXPECT_EQ(a.mails.bodyPreview(1), "stored preview") << "known mails are copied, not fetched";
    EXPECT_EQ(a.mails[0].read, 1);
    EXPECT_EQ(a.mails.subject(2), kMailC.subject);
    EXPECT_EQ(a.mails.uid(2), "13");
    EXPECT_EQ(a.uidNext, "14");
    EXPECT_EQ(newMailCount, 1);
}

TEST_F(ImapCheckTest, ChangedUidValidityRefetchesTheUidListAndTheMails) {
    Script s;
    imapLoginSteps(s);
    imapStatus(s, "8", "13", "2");
    s.expect("a004 FETCH 1:* UID")
        .send("* 1 FETCH (UID 11)\r\n* 2 FETCH (UID 12)\r\na004 OK Fetch completed.\r\n");
    // UID 11 under another UIDVALIDITY is another mail: the old entries are not reused.
    imapFetchMail(s, 1, kMailC, 5);
    imapFetchMail(s, 2, kMailB, 7);
    s.expect("a009 LOGOUT").sendLine("a009 OK Logout completed.");
    LoopbackServer server(s);
    AccountRecord& a = checkedBefore(server);

    runCheck();

    EXPECT_TRUE(server.waitUntilDone());
    ASSERT_EQ(a.mailCount, 2);
    EXPECT_EQ(a.mails.subject(0), kMailC.subject);
    EXPECT_EQ(a.uidValidity, "8");
    EXPECT_EQ(newMailCount, 1) << "mail B was listed before and is not new";
}

TEST_F(ImapCheckTest, MailboxThatBecameEmptySendsNoFetch) {
    Script s;
    imapLoginSteps(s);
    imapStatus(s, "7", "13", "0");
    s.expect("a004 LOGOUT").sendLine("a004 OK Logout completed.");
    LoopbackServer server(s);
    AccountRecord& a = checkedBefore(server);

    runCheck();

    EXPECT_TRUE(server.waitUntilDone());
    EXPECT_EQ(a.mailCount, 0);
    EXPECT_EQ(accountStatus(a).text, "Empty - no mails");
}

struct ReplyFaultRow {
    const char* name;
    std::string examine;
    std::string statusUidNext;
    std::string statusMessages;
    std::string errorText;
};

class ImapMissingValueTest : public ImapCheckTest,
                             public ::testing::WithParamInterface<ReplyFaultRow> {};

TEST_P(ImapMissingValueTest, MissingValueFailsTheAccountAndKeepsItsList) {
    const ReplyFaultRow& row = GetParam();
    Script s;
    imapLoginSteps(s);
    s.expect("a001 EXAMINE INBOX").send(row.examine + "a001 OK Examine completed.\r\n");
    if (!row.statusUidNext.empty())
        s.expect("a002 STATUS INBOX (UIDNEXT)")
            .send(row.statusUidNext + "a002 OK Status completed.\r\n");
    if (!row.statusMessages.empty())
        s.expect("a003 STATUS INBOX (MESSAGES)")
            .send(row.statusMessages + "a003 OK Status completed.\r\n");
    LoopbackServer server(s);
    AccountRecord& a = checkedBefore(server);

    runCheck();

    EXPECT_TRUE(server.waitUntilDone());
    EXPECT_EQ(a.errorFlag, 1);
    EXPECT_EQ(a.errorText, row.errorText);
    EXPECT_EQ(a.mailCount, 2);
    EXPECT_EQ(a.uidNext, "13");
    EXPECT_EQ(a.checked, 1);
    EXPECT_EQ(server.received().back().find("LOGOUT"), std::string::npos);
}

const std::string kExamineOk = "* OK [UIDVALIDITY 7] UIDs valid\r\n";
const std::string kUidNextOk = "* STATUS INBOX (UIDNEXT 13)\r\n";

INSTANTIATE_TEST_SUITE_P(
    Faults, ImapMissingValueTest,
    ::testing::Values(
        ReplyFaultRow{"NoUidValidity", "* FLAGS ()\r\n", "", "", "No Serverresponse on NEXTUID"},
        ReplyFaultRow{"NoUidNext", kExamineOk, "* STATUS INBOX ()\r\n", "",
                      "No Serverresponse on NEXTUID"},
        ReplyFaultRow{"NoMessages", kExamineOk, kUidNextOk, "* STATUS INBOX ()\r\n",
                      "protocol error: the server's reply could not be read, please tell "
                      "support@ombrix.org"},
        ReplyFaultRow{"NoDigitAfterMessages", kExamineOk, kUidNextOk,
                      "* STATUS INBOX (MESSAGES x)\r\n", "mailserver does not respond"}),
    [](const auto& row) { return std::string(row.param.name); });

TEST_F(ImapCheckTest, WrongCredentialsPutTheWholeLoginReplyIntoTheErrorText) {
    const std::string reply = "* OK [ALERT] Think twice\r\na000 NO [AUTHENTICATIONFAILED] "
                              "Authentication failed.\r\n";
    Script s;
    s.sendLine("* OK IMAP ready").expect("a000 LOGIN bob secret").send(reply);
    LoopbackServer server(s);
    AccountRecord& a = checkedBefore(server);

    runCheck();

    EXPECT_TRUE(server.waitUntilDone());
    EXPECT_EQ(a.errorFlag, 1);
    EXPECT_EQ(a.errorText, "* OK [ALERT] Think twice a000 NO [AUTHENTICATIONFAILED] "
                           "Authentication failed.");
    EXPECT_EQ(imapRefused, 0);
    EXPECT_EQ(a.mailCount, 2);
}

TEST_F(ImapCheckTest, PasswordWithBlankAndQuotesLogsInAsQuotedString) {
    Script s;
    s.sendLine("* OK IMAP ready")
        .expect(R"(a000 LOGIN "bob smith" "pa ss\"wo\\rd")")
        .sendLine("a000 OK Logged in");
    imapStatus(s, "7", "13", "2");
    s.expect("a004 LOGOUT").sendLine("a004 OK Logout completed.");
    LoopbackServer server(s);
    AccountRecord& a = checkedBefore(server);
    a.user = "bob smith";
    a.password = R"(pa ss"wo\rd)";
    followServer(a, false);

    runCheck();

    EXPECT_TRUE(server.waitUntilDone());
    EXPECT_EQ(a.errorFlag, 0);
}

TEST_F(ImapCheckTest, LineBreakInThePasswordIsNeverSent) {
    Script s;
    s.sendLine("* OK IMAP ready");
    LoopbackServer server(s);
    AccountRecord& a = checkedBefore(server);
    a.password = "secret\r\na001 DELETE INBOX";

    runCheck();

    EXPECT_EQ(server.connections(), 0);
    EXPECT_EQ(a.errorFlag, 1);
    EXPECT_EQ(a.errorText, "user name or password contains a line break");
}

TEST(ImapAstringTest, AtomsStayPlainEverythingElseIsQuoted) {
    EXPECT_EQ(imapAstring("bob"), "bob");
    EXPECT_EQ(imapAstring("bob@example.org"), "bob@example.org");
    EXPECT_EQ(imapAstring(""), "\"\"");
    EXPECT_EQ(imapAstring("a b"), "\"a b\"");
    EXPECT_EQ(imapAstring("(x)"), "\"(x)\"");
    EXPECT_EQ(imapAstring("50%"), "\"50%\"");
    EXPECT_EQ(imapAstring(R"(a"b\c)"), R"("a\"b\\c")");
}

TEST(ImapFetchUidsTest, OnlyFetchResponsesWithUidCountEachForTheMessageItNames) {
    const std::string reply = "* 2 FETCH (FLAGS (\\Seen))\r\n* 2 fetch (uid 9)\r\n"
                              "* 9 EXISTS\r\n* 1 RECENT\r\n* 4 FETCH (UID 44 FLAGS ())\r\n"
                              "* 1 FETCH (FLAGS (\\Seen) UID 4)\r\n* 3 FETCH (UID )\r\n"
                              "* 7 FETCH (UID 70)\r\na004 OK done\r\n";
    EXPECT_THAT(imapFetchUids(reply, 1, 4), ElementsAre("4", "9", "", "44"));
    EXPECT_THAT(imapFetchUids(reply, 2, 2), ElementsAre("9", "")) << "from message 2 on";
}

TEST(ImapRfc822SizeTest, ValueUpToTheParenthesis) {
    EXPECT_EQ(imapRfc822Size("* 1 FETCH (RFC822.SIZE 2048)\r\na1 OK\r\n"), 2048u);
    EXPECT_EQ(imapRfc822Size("* 1 FETCH (FLAGS ())\r\n"), 0u);
}

} // namespace
} // namespace ombrix::test
