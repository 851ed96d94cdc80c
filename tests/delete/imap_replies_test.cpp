// Reading the IMAP replies of the deletion, and the subject proof's form of a
// subject against the form in which the check stored it.

#include "check/fetched_mail.h"
#include "core/account_table.h"
#include "delete/imap_replies.h"
#include "proto/imap_completion.h"

#include <gtest/gtest.h>
#include <memory>
#include <string>

namespace ombrix::test {
namespace {

std::string literal(const std::string& text) {
    return "{" + std::to_string(text.size()) + "}\r\n" + text;
}

const std::string kHeader = "Subject: Hello\r\n\r\n";

struct BodyCase {
    const char* name;
    std::string reply;
    std::optional<std::string> body; // for UID 13
};

class ImapFetchedBodyTest : public ::testing::TestWithParam<BodyCase> {};

TEST_P(ImapFetchedBodyTest, TakesTheBodyOfTheResponseThatNamesTheUid) {
    EXPECT_EQ(imapFetchedBody(GetParam().reply, 13), GetParam().body);
}

INSTANTIATE_TEST_SUITE_P(
    Replies, ImapFetchedBodyTest,
    ::testing::Values(
        BodyCase{"UidFirst",
                 "* 3 FETCH (UID 13 BODY[HEADER.FIELDS (SUBJECT)] " + literal(kHeader) +
                     ")\r\na003 OK Fetch completed.\r\n",
                 kHeader},
        BodyCase{"UidAfterTheLiteral",
                 "* 3 FETCH (BODY[HEADER.FIELDS (\"SUBJECT\")] " + literal(kHeader) +
                     " UID 13)\r\na003 OK done\r\n",
                 kHeader},
        BodyCase{"LowerCaseWithFlags",
                 "* 3 fetch (FLAGS (\\Seen \\Deleted) uid 13 body[header.fields (subject)] " +
                     literal(kHeader) + ")\r\na003 OK\r\n",
                 kHeader},
        BodyCase{"QuotedString",
                 "* 3 FETCH (UID 13 BODY[HEADER.FIELDS (SUBJECT)] \"Subject: a \\\"b\\\"\")\r\n"
                 "a003 OK\r\n",
                 std::string("Subject: a \"b\"")},
        BodyCase{"LiteralPlus",
                 "* 3 FETCH (UID 13 BODY[HEADER.FIELDS (SUBJECT)] {" +
                     std::to_string(kHeader.size()) + "+}\r\n" + kHeader + ")\r\na003 OK\r\n",
                 kHeader},
        BodyCase{"EmptyHeader",
                 "* 3 FETCH (UID 13 BODY[HEADER.FIELDS (SUBJECT)] {2}\r\n\r\n)\r\na003 OK\r\n",
                 std::string("\r\n")},
        // A literal whose text looks like a FETCH response of the UID is text.
        BodyCase{"LiteralPosingAsAResponse",
                 "* 2 FETCH (UID 12 BODY[HEADER.FIELDS (SUBJECT)] " +
                     literal("* 3 FETCH (UID 13 BODY[] {3}\r\nBad)\r\n") + ")\r\na003 OK\r\n",
                 std::nullopt},
        BodyCase{"FlagUpdateWithoutUidThenOurs",
                 "* 1 FETCH (FLAGS (\\Seen))\r\n* 3 FETCH (UID 13 BODY[HEADER.FIELDS (SUBJECT)] " +
                     literal(kHeader) + ")\r\na003 OK\r\n",
                 kHeader},
        BodyCase{"AnotherUidOnly",
                 "* 4 FETCH (UID 14 BODY[HEADER.FIELDS (SUBJECT)] " + literal(kHeader) +
                     ")\r\na003 OK\r\n",
                 std::nullopt},
        BodyCase{"UidWithoutBody", "* 3 FETCH (UID 13 FLAGS (\\Seen))\r\na003 OK\r\n",
                 std::nullopt},
        BodyCase{"NilBody", "* 3 FETCH (UID 13 BODY[HEADER.FIELDS (SUBJECT)] NIL)\r\na003 OK\r\n",
                 std::nullopt},
        BodyCase{"NoFetchResponse", "a003 OK Fetch completed.\r\n", std::nullopt},
        BodyCase{"LiteralLongerThanTheReply",
                 "* 3 FETCH (UID 13 BODY[HEADER.FIELDS (SUBJECT)] {500}\r\nSubject: Hello\r\n",
                 std::nullopt},
        // Cut where the buffer was full, the rest is the literal's text.
        BodyCase{"ResponseInsideALiteralTheReplyEndsIn",
                 "* OK [ALERT] {500}\r\nSubject: x\r\n* 3 FETCH (UID 13 "
                 "BODY[HEADER.FIELDS (SUBJECT)] " +
                     literal(kHeader) + ")\r\n",
                 std::nullopt},
        BodyCase{"UnclosedResponse", "* 3 FETCH (UID 13 BODY[HEADER.FIELDS (SUBJECT)] \"x\"",
                 std::nullopt},
        BodyCase{"UnclosedSection", "* 3 FETCH (UID 13 BODY[HEADER.FIELDS (SUBJECT) \"x\")\r\n",
                 std::nullopt},
        BodyCase{"UidThatIsNoNumber",
                 "* 3 FETCH (UID 13x BODY[HEADER.FIELDS (SUBJECT)] " + literal(kHeader) +
                     ")\r\na003 OK\r\n",
                 std::nullopt}),
    [](const auto& row) { return std::string(row.param.name); });

// Lists inside a FETCH response nest as deep as the server likes, up to the
// whole receive buffer: skipping them must not cost a stack frame per level,
// and what follows a list still counts.
TEST(ImapFetchedBodyTest, ListsNestedAsDeepAsTheBufferAllowsAreSkipped) {
    const std::size_t depth = 140000; // opening and closing: near the 300000 octets of a reply
    const std::string nested = std::string(depth, '(') + std::string(depth, ')');
    const std::string closed = "* 3 FETCH (X-LIST " + nested + " UID 13 BODY[HEADER] " +
                               literal(kHeader) + ")\r\na003 OK\r\n";
    EXPECT_EQ(imapFetchedBody(closed, 13), kHeader);

    const std::string unclosed = "* 3 FETCH (UID 13 X-LIST " + std::string(2 * depth, '(');
    EXPECT_EQ(imapFetchedBody(unclosed, 13), std::nullopt);

    const std::string mixed = "* 3 FETCH (X-LIST ((\"a)\" {3}\r\n)(( b c) NIL (d)) UID 13 "
                              "BODY[HEADER] " +
                              literal(kHeader) + ")\r\na003 OK\r\n";
    EXPECT_EQ(imapFetchedBody(mixed, 13), kHeader) << "strings and literals inside a list";
    EXPECT_EQ(imapFetchedBody("* 3 FETCH (X-LIST ((a) UID 13 BODY[HEADER] " + literal(kHeader) +
                                  ")\r\na003 OK\r\n",
                              13),
              std::nullopt)
        << "a list left open swallows the rest";
}

TEST(ImapCapabilityTest, NamesAWholeWordOfACapabilityResponse) {
    const std::string reply = "* CAPABILITY IMAP4rev1 LITERAL+ uidplus MOVE\r\na001 OK\r\n";
    EXPECT_TRUE(imapAnnounces(reply, "UIDPLUS"));
    EXPECT_FALSE(imapAnnounces("* CAPABILITY IMAP4rev1 XUIDPLUSX\r\na001 OK\r\n", "UIDPLUS"));
    EXPECT_FALSE(imapAnnounces("* OK UIDPLUS is nice\r\na001 OK UIDPLUS\r\n", "UIDPLUS"));
    EXPECT_FALSE(imapAnnounces("", "UIDPLUS"));
}

TEST(ImapCompletionTest, OnlyTheTaggedOkOfTheCommandEndsAReply) {
    EXPECT_TRUE(imapCompletedOk("* SEARCH 5\r\na004 OK Search completed.\r\n", "a004"));
    EXPECT_TRUE(imapCompletedOk("a004 ok\r\n", "a004"));
    EXPECT_FALSE(imapCompletedOk("* SEARCH 5\r\n", "a004")); // cut short
    EXPECT_FALSE(imapCompletedOk("* SEARCH 5\r\na004 OK Sea", "a004"));
    EXPECT_FALSE(imapCompletedOk("a004 NO locked\r\n", "a004"));
    EXPECT_FALSE(imapCompletedOk("a003 OK\r\n", "a004"));
    EXPECT_FALSE(imapCompletedOk("a0040 OK\r\n", "a004"));
    EXPECT_FALSE(imapCompletedOk("a004 OKAY\r\n", "a004"));
    EXPECT_FALSE(imapCompletedOk("a004 OK\r\n", ""));
    EXPECT_EQ(imapTagOf("a1000 UID SEARCH DELETED\r\n"), "a1000");
}

TEST(ImapSearchTest, CollectsTheNumbersOfEverySearchResponse) {
    using Numbers = std::vector<std::uint32_t>;
    EXPECT_EQ(imapSearchNumbers("* SEARCH 4 19\r\n* search 7\r\na005 OK\r\n"), (Numbers{4, 19, 7}));
    EXPECT_EQ(imapSearchNumbers("* SEARCH\r\na005 OK Search completed.\r\n"), Numbers{});
    EXPECT_EQ(imapSearchNumbers("* 3 EXISTS\r\na005 OK\r\n"), std::nullopt);
    EXPECT_EQ(imapSearchNumbers("* SEARCH 4 x 99999999999\r\na005 OK\r\n"), Numbers{4});
}

// The proof compares the subject of a header-fields FETCH with the subject
// that the check stored from its header-and-text FETCH: the two must agree
// for every form a subject can take, or a mail could never be deleted.
class SubjectFormTest : public ::testing::TestWithParam<std::string> {};

TEST_P(SubjectFormTest, TheProofReadsTheSubjectAsTheCheckStoredIt) {
    const std::string subjectLines = GetParam();
    const std::string header =
        "From: ann@example.org\r\n" + subjectLines + "Date: Mon, 1 Jan 2024 10:00:00 +0000\r\n\r\n";
    const std::string text = "Hello.\r\n";
    const std::string checkReply = "* 1 FETCH (BODY[HEADER] " + literal(header) +
                                   " BODY[TEXT]<0> " + literal(text) + ")\r\na005 OK\r\n";
    auto stored = std::make_unique<AccountRecord>();
    ParseFetchedMail(checkReply, *stored, 0, FetchForm::Imap);

    std::string fields = subjectLines + "\r\n";
    const std::string proofReply =
        "* 1 FETCH (UID 7 BODY[HEADER.FIELDS (SUBJECT)] " + literal(fields) + ")\r\na006 OK\r\n";
    const std::optional<std::string> proved = imapFetchedBody(proofReply, 7);
    ASSERT_TRUE(proved);
    EXPECT_EQ(listedSubjectOf(*proved), stored->mails.subject(0));
}

INSTANTIATE_TEST_SUITE_P(Subjects, SubjectFormTest,
                         ::testing::Values("Subject: Plain words\r\n",
                                           "Subject: =?ISO-8859-1?Q?Gr=FC=DFe_aus_Bonn?=\r\n",
                                           "Subject: =?UTF-8?B?w4RyZ2VyIMO8YmVyIMOWbA==?=\r\n",
                                           "Subject: folded\r\n over two lines\r\n",
                                           "Subject: \r\n", "", "Subject: \xE4 raw Latin-1\r\n",
                                           "Subject: first\r\nSubject: second\r\n"));

} // namespace
} // namespace ombrix::test
