// The IMAP check against servers whose replies are not what they claim to be:
// UID lines in another order or mixed with flag updates, mailboxes larger
// than the list, replies cut by the time-out, and more than a thousand
// commands in one connection.

#include "check_fixture.h"

#include <cstdio>
#include <functional>
#include <gmock/gmock.h>

namespace ombrix::test {
namespace {

using namespace std::chrono_literals;
using namespace std::string_literals;

std::string tag(int number) {
    char text[16];
    std::snprintf(text, sizeof text, "a%03d", number);
    return text;
}

// FETCH n (BODY...) and FETCH n RFC822.SIZE with the tags given.
void imapFetch(Script& s, int number, const CannedMail& mail, int bodyTag) {
    const std::string n = std::to_string(number);
    const std::string body = tag(bodyTag);
    const std::string size = tag(bodyTag + 1);
    s.expect(body + " FETCH " + n + " (BODY[HEADER] BODY[TEXT]<0.4000>)")
        .send(imapBodyReply(number, mail, body));
    s.expect(size + " FETCH " + n + " RFC822.SIZE")
        .send("* " + n + " FETCH (RFC822.SIZE 999)\r\n" + size + " OK Fetch completed.\r\n");
}

// Logged in, three mails of which the third is new, and the plain UID list.
void imapUpToTheNewMail(Script& s) {
    imapLoginSteps(s);
    imapStatus(s, "7", "14", "3");
    s.expect("a004 FETCH 1:* UID")
        .send("* 1 FETCH (UID 11)\r\n* 2 FETCH (UID 12)\r\n* 3 FETCH (UID 13)\r\n"
              "a004 OK Fetch completed.\r\n");
}

class ImapReplyFaultTest : public CheckRunTest {
protected:
    // The list of an earlier check: uids 11 (mail A) and 12 (mail B),
    // UIDVALIDITY 7, UIDNEXT 13.
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

    static void expectOldListKept(const AccountRecord& a) {
        EXPECT_EQ(a.errorFlag, 1);
        ASSERT_EQ(a.mailCount, 2) << "a failed account keeps its old list";
        EXPECT_EQ(a.mails.uid(0), "11");
        EXPECT_EQ(a.mails.subject(1), kMailB.subject);
        EXPECT_EQ(a.uidNext, "13");
    }
};

TEST_F(ImapReplyFaultTest, UidLinesPairByTheirMessageNumberAndFlagUpdatesAreSkipped) {
    Script s;
    imapLoginSteps(s);
    imapStatus(s, "7", "14", "3");
    s.expect("a004 FETCH 1:* UID")
        .send(
            "* 3 FETCH (UID 13)\r\n* 1 FETCH (FLAGS (\\Seen))\r\n* 2 FETCH (FLAGS () UID 12)\r\n"
            "* 2 FETCH (FLAGS (\\Answered))\r\n* 1 FETCH (UID 11)\r\na004 OK Fetch completed.\r\n");
    imapFetch(s, 3, kMailC, 5);
    s.expect("a007 LOGOUT").sendLine("a007 OK Logout completed.");
    LoopbackServer server(s);
    AccountRecord& a = checkedBefore(server);

    runCheck();

    EXPECT_TRUE(server.waitUntilDone());
    EXPECT_EQ(a.errorFlag, 0) << a.errorText;
    ASSERT_EQ(a.mailCount, 3);
    EXPECT_EQ(a.mails.uid(0), "11");
    EXPECT_EQ(a.mails.subject(0), kMailA.subject);
    EXPECT_EQ(a.mails.uid(1), "12");
    EXPECT_EQ(a.mails.subject(1), kMailB.subject);
    EXPECT_EQ(a.mails.uid(2), "13");
    EXPECT_EQ(a.mails.subject(2), kMailC.subject);
    EXPECT_EQ(newMailCount, 1);
}

// 3500 mails: the UIDs are asked from the first mail the list holds on, and
// the newest mail is fetched and announced.
TEST_F(ImapReplyFaultTest, MailboxAboveTheListIsListedFromItsNewestMails) {
    constexpr int kServerMails = 3500;
    constexpr int kFirst = kServerMails - kMaxMails + 1;
    const auto uidOf = [](int number) { return std::to_string(number + 500); };
    Script s;
    imapLoginSteps(s);
    imapStatus(s, "7", uidOf(kServerMails + 1), std::to_string(kServerMails));
    std::string lines;
    for (int n = kServerMails; n >= kFirst; --n)
        lines += "* " + std::to_string(n) + " FETCH (UID " + uidOf(n) + ")\r\n";
    s.expect("a004 FETCH " + std::to_string(kFirst) + ":* UID")
        .send(lines + "a004 OK Fetch completed.\r\n");
    imapFetch(s, kServerMails, kMailC, 5);
    s.expect("a007 LOGOUT").sendLine("a007 OK Logout completed.");
    LoopbackServer server(s);
    AccountRecord& a = account(0, server, true);
    for (int i = 0; i < kMaxMails - 1; ++i)
        storeKnown(a, i, uidOf(kFirst + i), kMailA, 1);
    a.mailCount = kMaxMails - 1;
    a.uidValidity = "7";
    a.uidNext = uidOf(kServerMails);

    runCheck();

    EXPECT_TRUE(server.waitUntilDone());
    EXPECT_EQ(a.errorFlag, 0) << a.errorText;
    ASSERT_EQ(a.mailCount, kMaxMails);
    EXPECT_EQ(a.mails.uid(0), uidOf(kFirst));
    EXPECT_EQ(a.mails.uid(kMaxMails - 1), uidOf(kServerMails));
    EXPECT_EQ(a.mails.subject(kMaxMails - 1), kMailC.subject);
    EXPECT_EQ(a.mails[kMaxMails - 1].serverPosition, static_cast<std::uint32_t>(kServerMails - 1));
    EXPECT_EQ(newMailCount, 1);
}

TEST_F(ImapReplyFaultTest, UidListThatLacksAMessageFailsTheAccount) {
    Script s;
    imapLoginSteps(s);
    imapStatus(s, "7", "14", "3");
    s.expect("a004 FETCH 1:* UID")
        .send("* 1 FETCH (UID 11)\r\n* 3 FETCH (UID 13)\r\na004 OK Fetch completed.\r\n");
    LoopbackServer server(s);
    AccountRecord& a = checkedBefore(server);

    runCheck();

    EXPECT_TRUE(server.waitUntilDone());
    EXPECT_THAT(a.errorText, ::testing::StartsWith("protocol error"));
    expectOldListKept(a);
}

TEST_F(ImapReplyFaultTest, UidListWithAnExpungeFailsTheAccount) {
    Script s;
    imapLoginSteps(s);
    imapStatus(s, "7", "14", "3");
    s.expect("a004 FETCH 1:* UID")
        .send("* 1 FETCH (UID 11)\r\n* 2 FETCH (UID 12)\r\n* 2 EXPUNGE\r\n"
              "* 3 FETCH (UID 13)\r\na004 OK Fetch completed.\r\n");
    s.expectClose();
    LoopbackServer server(s);
    AccountRecord& a = checkedBefore(server);

    runCheck();

    EXPECT_TRUE(server.waitUntilDone());
    EXPECT_THAT(a.errorText, ::testing::StartsWith("protocol error"));
    expectOldListKept(a);
}

struct ImapCutRow {
    const char* name;
    std::function<void(Script&)> steps; // after the login; the server falls silent after them
};

class ImapCutReplyTest : public ImapReplyFaultTest,
                         public ::testing::WithParamInterface<ImapCutRow> {};

// Without its tagged completion a reply is only the start of one: the account
// fails, never a list built from what came.
TEST_P(ImapCutReplyTest, ReplyCutByTheTimeOutFailsTheAccount) {
    timeouts_.replyMs = 300;
    Script s;
    imapLoginSteps(s);
    GetParam().steps(s);
    s.silent();
    LoopbackServer server(s);
    AccountRecord& a = checkedBefore(server);

    runCheck();

    EXPECT_EQ(a.errorText, "mailserver does not respond");
    expectOldListKept(a);
    EXPECT_EQ(a.checked, 1);
}

INSTANTIATE_TEST_SUITE_P(
    Replies, ImapCutReplyTest,
    ::testing::Values(
        ImapCutRow{"MessageCountBeforeItsCompletion",
                   [](Script& s) {
                       s.expect("a001 EXAMINE INBOX")
                           .send(
                               "* OK [UIDVALIDITY 7] UIDs valid\r\na001 OK Examine completed.\r\n");
                       s.expect("a002 STATUS INBOX (UIDNEXT)")
                           .send("* STATUS INBOX (UIDNEXT 13)\r\na002 OK Status completed.\r\n");
                       s.expect("a003 STATUS INBOX (MESSAGES)")
                           .send("* STATUS INBOX ")
                           .pause(50ms)
                           .send("(MESSAGES 2)\r\n");
                   }},
        ImapCutRow{"UidListBeforeItsCompletion",
                   [](Script& s) {
                       imapStatus(s, "7", "14", "2");
                       s.expect("a004 FETCH 1:* UID")
                           .send("* 1 FETCH (UID 11)\r\n")
                           .pause(50ms)
                           .send("* 2 FETCH (UID 12)\r\n");
                   }},
        ImapCutRow{"MailBeforeItsCompletion",
                   [](Script& s) {
                       imapStatus(s, "7", "14", "3");
                       s.expect("a004 FETCH 1:* UID")
                           .send(
                               "* 1 FETCH (UID 11)\r\n* 2 FETCH (UID 12)\r\n* 3 FETCH (UID 13)\r\n"
                               "a004 OK Fetch completed.\r\n");
                       const std::string whole = imapBodyReply(3, kMailC, "a005");
                       s.expect("a005 FETCH 3 (BODY[HEADER] BODY[TEXT]<0.4000>)")
                           .send(whole.substr(0, whole.size() / 2));
                   }}),
    [](const auto& row) { return std::string(row.param.name); });

struct FetchRow {
    const char* name;
    std::string bodyReply; // to a005 FETCH 3 (BODY...); empty: the right one
    std::string sizeReply; // to a006 FETCH 3 RFC822.SIZE, when the body passed
    std::string errorText; // exact, or the start of a protocol fault
};

void PrintTo(const FetchRow& row, std::ostream* out) {
    *out << row.name;
}

class ImapFetchReplyTest : public ImapReplyFaultTest,
                           public ::testing::WithParamInterface<FetchRow> {};

// The FETCH of a new mail must end with its tagged OK and be about that mail:
// a refusal or another mail's response, read as the mail, gave a row without
// subject or size and the check passed for a success.
TEST_P(ImapFetchReplyTest, OtherThanTheMailFailsTheAccount) {
    const FetchRow& row = GetParam();
    Script s;
    imapUpToTheNewMail(s);
    s.expect("a005 FETCH 3 (BODY[HEADER] BODY[TEXT]<0.4000>)")
        .send(row.bodyReply.empty() ? imapBodyReply(3, kMailC, "a005") : row.bodyReply);
    if (!row.sizeReply.empty())
        s.expect("a006 FETCH 3 RFC822.SIZE").send(row.sizeReply);
    s.expectClose();
    LoopbackServer server(s);
    AccountRecord& a = checkedBefore(server);

    runCheck();

    EXPECT_TRUE(server.waitUntilDone());
    EXPECT_THAT(a.errorText, ::testing::StartsWith(row.errorText));
    expectOldListKept(a);
    EXPECT_EQ(imapRefused, 0) << "a refusal must not be left for the next reply";
}

INSTANTIATE_TEST_SUITE_P(
    Replies, ImapFetchReplyTest,
    ::testing::Values(
        FetchRow{"BodyRefused", "a005 NO [UNAVAILABLE] try later\r\n", "",
                 "a005 NO [UNAVAILABLE] try later"},
        FetchRow{"BodyBad", "a005 BAD \x1b[2Jsyntax\r\n", "", "a005 BAD ?[2Jsyntax"},
        FetchRow{"BodyOfAnotherMail", imapBodyReply(2, kMailB, "a005"), "", "protocol error"},
        FetchRow{"BodyWithNulInItsFetchLine",
                 "*\0 3 FETCH (BODY[HEADER] {4}\r\nX: y\r\n)\r\na005 OK\r\n"s, "",
                 "protocol error"},
        FetchRow{"SizeRefused", "", "a006 NO [UNAVAILABLE] try later\r\n",
                 "a006 NO [UNAVAILABLE] try later"},
        FetchRow{"SizeBad", "", "a006 BAD what?\r\n", "a006 BAD what?"},
        FetchRow{"SizeOfAnotherMail", "", "* 2 FETCH (RFC822.SIZE 999)\r\na006 OK\r\n",
                 "protocol error"},
        FetchRow{"SizeCompletedWithoutOk", "", "* 3 FETCH (RFC822.SIZE 999)\r\na006 OKAY\r\n",
                 "protocol error"},
        // A flag update names the mail but carries none of it.
        FetchRow{"BodyFlagUpdateOnly", "* 3 FETCH (FLAGS (\\Seen))\r\na005 OK\r\n", "",
                 "protocol error"},
        FetchRow{"SizeFlagUpdateOnly", "", "* 3 FETCH (FLAGS (\\Seen))\r\na006 OK\r\n",
                 "protocol error"},
        // No server may expunge while it answers a FETCH: after
        // it, message numbers name other mails than the UID
        // list paired them with.
        FetchRow{"BodyAfterAnExpunge", "* 1 EXPUNGE\r\n" + imapBodyReply(3, kMailC, "a005"), "",
                 "protocol error"},
        FetchRow{"SizeAfterAnExpunge", "",
                 "* 3 FETCH (RFC822.SIZE 999)\r\n* 2 expunge\r\na006 OK\r\n", "protocol error"}),
    [](const auto& row) { return std::string(row.param.name); });

struct OwnResponseRow {
    const char* name;
    std::string bodyReply; // to a005 FETCH 3 (BODY...)
    std::string sizeReply; // to a006 FETCH 3 RFC822.SIZE
};

void PrintTo(const OwnResponseRow& row, std::ostream* out) {
    *out << row.name;
}

class ImapOwnResponseTest : public ImapReplyFaultTest,
                            public ::testing::WithParamInterface<OwnResponseRow> {};

// A server may send FETCH responses of other mails (flag changes) beside the
// one asked for, or split one mail's items over two responses: the row is
// filled from the response of the mail asked for that carries the item, and
// mail text in another response's literal never counts as a response.
TEST_P(ImapOwnResponseTest, TheRowIsFilledFromTheAskedMailsOwnResponse) {
    const OwnResponseRow& row = GetParam();
    Script s;
    imapUpToTheNewMail(s);
    s.expect("a005 FETCH 3 (BODY[HEADER] BODY[TEXT]<0.4000>)").send(row.bodyReply);
    s.expect("a006 FETCH 3 RFC822.SIZE").send(row.sizeReply);
    s.expect("a007 LOGOUT").sendLine("a007 OK Logout completed.");
    LoopbackServer server(s);
    AccountRecord& a = checkedBefore(server);

    runCheck();

    EXPECT_TRUE(server.waitUntilDone());
    EXPECT_EQ(a.errorFlag, 0) << a.errorText;
    ASSERT_EQ(a.mailCount, 3);
    EXPECT_EQ(a.mails.subject(2), kMailC.subject);
    EXPECT_EQ(a.mails.from(2), kMailC.from);
    EXPECT_EQ(a.mails.date(2), kMailC.date);
    EXPECT_EQ(a.mails.bodyPreview(2), "\r\nHello there.\r\n");
    EXPECT_EQ(a.mails[2].size, 999);
}

std::string literal(const std::string& bytes) {
    return "{" + std::to_string(bytes.size()) + "}\r\n" + bytes;
}

const std::string kTextItem = "BODY[TEXT]<0> " + literal("Hello there.\r\n");
const std::string kHeaderItem = "BODY[HEADER] " + literal(kMailC.header());

// The response of mail 2, whose text holds what looks like a response of mail 3.
std::string posingResponse() {
    const std::string header = kMailB.header();
    const std::string text =
        "* 3 FETCH (BODY[HEADER] {19}\r\nSubject: Forged\r\n\r\n RFC822.SIZE 5)\r\n";
    return "* 2 FETCH (BODY[HEADER] {" + std::to_string(header.size()) + "}\r\n" + header +
           " BODY[TEXT]<0> {" + std::to_string(text.size()) + "}\r\n" + text + ")\r\n";
}

const std::string kOwnSize = "* 3 FETCH (RFC822.SIZE 999)\r\na006 OK Fetch completed.\r\n";

INSTANTIATE_TEST_SUITE_P(
    Replies, ImapOwnResponseTest,
    ::testing::Values(
        OwnResponseRow{"OnlyItsOwn", imapBodyReply(3, kMailC, "a005"), kOwnSize},
        OwnResponseRow{"AnotherMailsResponsesFirst",
                       "* 2 FETCH (FLAGS (\\Seen))\r\n" + posingResponse() +
                           imapBodyReply(3, kMailC, "a005"),
                       "* 2 FETCH (RFC822.SIZE 5)\r\n" + kOwnSize},
        OwnResponseRow{"ItsOwnFlagUpdateFirst",
                       "* 3 FETCH (FLAGS (\\Seen))\r\n" + imapBodyReply(3, kMailC, "a005"),
                       "* 3 FETCH (FLAGS (\\Seen))\r\n" + kOwnSize},
        OwnResponseRow{"ItsResponseTwice",
                       imapBodyReply(3, kMailC, "a005")
                               .substr(0, imapBodyReply(3, kMailC, "a005").find("a005")) +
                           imapBodyReply(3, kMailA, "a005"),
                       "* 3 FETCH (RFC822.SIZE 999)\r\n" + kOwnSize},
        // The order of a response's items is the server's to choose.
        OwnResponseRow{"TextBeforeHeader",
                       "* 3 FETCH (" + kTextItem + " " + kHeaderItem +
                           ")\r\na005 OK Fetch completed.\r\n",
                       "* 3 FETCH (UID 13 RFC822.SIZE 999 FLAGS ())\r\na006 OK done\r\n"},
        OwnResponseRow{"TextAndHeaderInResponsesOfTheirOwn",
                       "* 3 FETCH (" + kTextItem + ")\r\n* 3 FETCH (FLAGS (\\Seen) " + kHeaderItem +
                           ")\r\na005 OK Fetch completed.\r\n",
                       "* 3 FETCH (FLAGS (\\Seen))\r\n" + kOwnSize},
        OwnResponseRow{"ItemNamesInLowerCase",
                       "* 3 fetch (body[text]<0> " + literal("Hello there.\r\n") +
                           " body[header] " + literal(kMailC.header()) +
                           ")\r\na005 OK Fetch completed.\r\n",
                       "* 3 fetch (rfc822.size 999)\r\na006 OK Fetch completed.\r\n"}),
    [](const auto& row) { return std::string(row.param.name); });

// A header longer than the reply buffer is cut there: the mail is still
// listed with what came (its completion was seen by the socket), or a sender
// could keep the account from ever being listed again.
TEST_F(ImapReplyFaultTest, AMailWhoseHeaderOverrunsTheBufferIsListedWithWhatFits) {
    const std::string filler(ReplyBuffer::kCheckCapacity + 50000, 'x');
    const std::string header = "From: " + kMailC.from + "\r\nSubject: " + kMailC.subject +
                               "\r\nX-Filler: " + filler + "\r\n\r\n";
    Script s;
    imapUpToTheNewMail(s);
    s.expect("a005 FETCH 3 (BODY[HEADER] BODY[TEXT]<0.4000>)")
        .send("* 3 FETCH (BODY[HEADER] {" + std::to_string(header.size()) + "}\r\n" + header +
              " BODY[TEXT]<0> {5}\r\nHello)\r\na005 OK Fetch completed.\r\n");
    s.expect("a006 FETCH 3 RFC822.SIZE").send(kOwnSize);
    s.expect("a007 LOGOUT").sendLine("a007 OK Logout completed.");
    LoopbackServer server(s);
    AccountRecord& a = checkedBefore(server);

    runCheck();

    EXPECT_TRUE(server.waitUntilDone());
    EXPECT_EQ(a.errorFlag, 0) << a.errorText;
    ASSERT_EQ(a.mailCount, 3);
    EXPECT_EQ(a.mails.subject(2), kMailC.subject);
    EXPECT_EQ(a.mails.from(2), kMailC.from);
    EXPECT_EQ(a.mails[2].size, 999);
}

// 500 unknown mails take two commands each: the tags go on from a999 to
// a1000, and each completion is matched to its own command.
TEST_F(ImapReplyFaultTest, TagsGoOnPastA999WithoutRepeating) {
    constexpr int kMails = 500;
    Script s;
    imapLoginSteps(s);
    imapStatus(s, "7", std::to_string(kMails + 1), std::to_string(kMails));
    std::string lines;
    for (int n = 1; n <= kMails; ++n)
        lines += "* " + std::to_string(n) + " FETCH (UID " + std::to_string(n) + ")\r\n";
    s.expect("a004 FETCH 1:* UID").send(lines + "a004 OK Fetch completed.\r\n");
    for (int n = 1; n <= kMails; ++n)
        imapFetch(s, n, n == kMails ? kMailC : kMailA, 3 + 2 * n);
    const std::string logout = tag(5 + 2 * kMails);
    s.expect(logout + " LOGOUT").sendLine(logout + " OK Logout completed.");
    LoopbackServer server(s);
    AccountRecord& a = account(0, server, true);

    runCheck();

    EXPECT_TRUE(server.waitUntilDone());
    EXPECT_EQ(a.errorFlag, 0) << a.errorText;
    ASSERT_EQ(a.mailCount, kMails);
    EXPECT_EQ(a.mails.subject(kMails - 1), kMailC.subject);
    const std::vector<std::string> sent = server.received();
    ASSERT_GE(sent.size(), 1003u);
    EXPECT_EQ(sent[999], "a999 FETCH 498 (BODY[HEADER] BODY[TEXT]<0.4000>)");
    EXPECT_EQ(sent[1000], "a1000 FETCH 498 RFC822.SIZE");
    EXPECT_EQ(sent.back(), "a1005 LOGOUT");
}

// Keywords and status words are case-insensitive: a server that writes them
// in lower case gave "mailserver does not respond" after the time-out, or no
// UIDVALIDITY, where its mailbox should have been listed.
TEST_F(ImapReplyFaultTest, KeywordsInLowerCaseAreUnderstood) {
    Script s;
    s.sendLine("* ok IMAP ready").expect("a000 LOGIN bob secret").sendLine("a000 ok Logged in");
    s.expect("a001 EXAMINE INBOX")
        .send("* ok [uidvalidity 7] UIDs valid\r\na001 ok [read-only] done\r\n");
    s.expect("a002 STATUS INBOX (UIDNEXT)").send("* status INBOX (uidnext 14)\r\na002 ok\r\n");
    s.expect("a003 STATUS INBOX (MESSAGES)").send("* status INBOX (messages 3)\r\na003 ok\r\n");
    s.expect("a004 FETCH 1:* UID")
        .send("* 1 fetch (uid 11)\r\n* 2 fetch (uid 12)\r\n* 3 fetch (uid 13)\r\na004 ok\r\n");
    s.expect("a005 FETCH 3 (BODY[HEADER] BODY[TEXT]<0.4000>)")
        .send("* 3 fetch (body[header] " + literal(kMailC.header()) +
              ")\r\na005 ok fetch completed\r\n");
    s.expect("a006 FETCH 3 RFC822.SIZE").send("* 3 fetch (rfc822.size 999)\r\na006 ok\r\n");
    s.expect("a007 LOGOUT").sendLine("a007 ok bye");
    LoopbackServer server(s);
    AccountRecord& a = checkedBefore(server);

    runCheck();

    EXPECT_TRUE(server.waitUntilDone());
    EXPECT_EQ(a.errorFlag, 0) << a.errorText;
    ASSERT_EQ(a.mailCount, 3);
    EXPECT_EQ(a.mails.uid(2), "13");
    EXPECT_EQ(a.mails.subject(2), kMailC.subject);
    EXPECT_EQ(a.mails[2].size, 999);
    EXPECT_EQ(a.mails.bodyPreview(2), "") << "no text came";
}

// A refusal in lower case is still a refusal, with the server's text.
TEST_F(ImapReplyFaultTest, LowerCaseRefusalShowsTheServersText) {
    Script s;
    s.sendLine("* ok IMAP ready").expect("a000 LOGIN bob secret");
    s.sendLine("a000 no [AUTHENTICATIONFAILED] wrong");
    LoopbackServer server(s);
    AccountRecord& a = checkedBefore(server);

    runCheck();

    EXPECT_TRUE(server.waitUntilDone());
    EXPECT_EQ(a.errorText, "a000 no [AUTHENTICATIONFAILED] wrong");
    expectOldListKept(a);
}

} // namespace
} // namespace ombrix::test
