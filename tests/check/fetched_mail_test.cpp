#include "check/fetched_mail.h"
#include "core/language.h"
#include "support/process_reset.h"

#include <gtest/gtest.h>
#include <memory>
#include <string>

namespace ombrix {
namespace {

const std::string kHeader = "From: Alice <alice@example.org>\r\n"
                            "Subject: Lunch\r\n"
                            "Date: Tue, 18 Jan 2005 10:00:00 +0100\r\n"
                            "\r\n";

class FetchedMailTest : public testing::Test {
protected:
    void SetUp() override { test::resetProcessState(); }

    void parse(const std::string& fetched, FetchForm form, int i = 0) {
        ParseFetchedMail(fetched, *workingList, i, form);
    }

    std::unique_ptr<AccountRecord> workingList = std::make_unique<AccountRecord>();
};

TEST_F(FetchedMailTest, Pop3ReplyGivesHeaderValuesDateAndPreview) {
    parse("+OK 120 octets\r\n" + kHeader + "Line one\r\nLine two\r\n.\r\n", FetchForm::Pop3, 7);
    EXPECT_EQ(workingList->mails.from(7), "Alice <alice@example.org>");
    EXPECT_EQ(workingList->mails.subject(7), "Lunch");
    EXPECT_EQ(workingList->mails.date(7), "Tue, 18 Jan 2005 10:00:00 +0100");
    EXPECT_EQ(workingList->mails[7].day, 18);
    EXPECT_EQ(workingList->mails[7].month, 1);
    EXPECT_EQ(workingList->mails[7].year, 2005);
    EXPECT_EQ(workingList->mails.bodyPreview(7), "Line one\r\nLine two\r\n");
    EXPECT_TRUE(workingList->mails.subject(6).empty()) << "only entry i is written";
}

TEST_F(FetchedMailTest, ImapReplyGivesHeaderValuesAndTheLiteralText) {
    const std::string reply = "* 3 FETCH (BODY[HEADER] {" + std::to_string(kHeader.size()) +
                              "}\r\n" + kHeader + " BODY[TEXT]<0> {12}\r\nHello there!)\r\n" +
                              "a004 OK FETCH completed\r\n";
    parse(reply, FetchForm::Imap);
    EXPECT_EQ(workingList->mails.from(0), "Alice <alice@example.org>");
    EXPECT_EQ(workingList->mails.subject(0), "Lunch");
    EXPECT_EQ(workingList->mails[0].day, 18);
    EXPECT_EQ(workingList->mails.bodyPreview(0), "\r\nHello there!");
}

struct PreviewRow {
    const char* name;
    FetchForm form;
    std::string fetched;
    std::string preview;
};

void PrintTo(const PreviewRow& row, std::ostream* out) {
    *out << row.name;
}

class BodyPreviewTest : public testing::TestWithParam<PreviewRow> {};

TEST_P(BodyPreviewTest, CutsTheReplyFraming) {
    EXPECT_EQ(bodyPreviewOf(GetParam().fetched, GetParam().form), GetParam().preview);
}

INSTANTIATE_TEST_SUITE_P(
    Replies, BodyPreviewTest,
    testing::Values(
        PreviewRow{"Pop3WithoutEmptyLine", FetchForm::Pop3, "+OK\r\nSubject: x\r\n.\r\n", ""},
        PreviewRow{"Pop3EndedByCount", FetchForm::Pop3, "+OK\r\nA: b\r\n\r\nText cut he",
                   "Text cut he"},
        PreviewRow{"Pop3EmptyBody", FetchForm::Pop3, "+OK\r\nA: b\r\n\r\n.\r\n", ""},
        PreviewRow{"Pop3OnlyTheFirstEmptyLineCounts", FetchForm::Pop3,
                   "+OK\r\nA: b\r\n\r\nOne\r\n\r\nTwo\r\n.\r\n", "One\r\n\r\nTwo\r\n"},
        PreviewRow{"ImapBodyWithParentheses", FetchForm::Imap,
                   "* 1 FETCH (BODY[HEADER] {8}\r\nA: b\r\n\r\n BODY[TEXT]<0> {8}\r\n(see me))\r\n"
                   "a003 OK FETCH completed\r\n",
                   "\r\n(see me)"},
        PreviewRow{"ImapCompletionLineWithParentheses", FetchForm::Imap,
                   "* 1 FETCH (BODY[HEADER] {8}\r\nA: b\r\n\r\n BODY[TEXT]<0> {4}\r\nBody)\r\n"
                   "a003 OK Fetch completed (0.001 + 0.000 secs).\r\n",
                   "\r\nBody"},
        PreviewRow{"ImapQuotedEmptyText", FetchForm::Imap,
                   "* 1 FETCH (BODY[HEADER] {8}\r\nA: b\r\n\r\n BODY[TEXT]<0> \"\")\r\n"
                   "a003 OK Fetch completed (0.001 + 0.000 secs).\r\n",
                   ""},
        PreviewRow{"ImapQuotedTextWithoutLiteral", FetchForm::Imap,
                   "* 1 FETCH (BODY[HEADER] {8}\r\nA: b\r\n\r\n BODY[TEXT]<0>\r\nHi)\r\n"
                   "a003 OK done\r\n",
                   "\r\nHi"},
        PreviewRow{"ImapLiteralLongerThanTheReply", FetchForm::Imap,
                   "* 1 FETCH (BODY[HEADER] {8}\r\nA: b\r\n\r\n BODY[TEXT]<0> {4000}\r\nCut",
                   "\r\nCut"},
        PreviewRow{"ImapHugeLiteralSize", FetchForm::Imap,
                   "* 1 FETCH (BODY[HEADER] {8}\r\nA: b\r\n\r\n BODY[TEXT]<0> "
                   "{99999999999999999999999}\r\nCut)\r\na1 OK\r\n",
                   "\r\nCut"},
        PreviewRow{"ImapNothingAfterTheHeader", FetchForm::Imap,
                   "* 1 FETCH (BODY[HEADER] {8}\r\nA: b\r\n\r\n", ""},
        PreviewRow{"ImapWithoutEmptyLine", FetchForm::Imap, "* 1 FETCH (BODY[HEADER] {0}\r\n)",
                   ""}),
    [](const testing::TestParamInfo<PreviewRow>& paramInfo) {
        return std::string(paramInfo.param.name);
    });

TEST_F(FetchedMailTest, SubjectIsUnfoldedAndLosesItsLineFeeds) {
    parse("+OK\r\nSubject: Hello\r\n world\r\n\r\n.\r\n", FetchForm::Pop3);
    EXPECT_EQ(workingList->mails.subject(0), "Hello world");
    parse("+OK\r\nSubject: bare\n line\r\n\r\n.\r\n", FetchForm::Pop3);
    EXPECT_EQ(workingList->mails.subject(0), "bare line");
    EXPECT_EQ(listedSubject("\n\n"), "") << "the replacement comes before the removal";
}

TEST_F(FetchedMailTest, EmptyOrMissingSubjectIsKeinBetreffInBothLanguages) {
    for (int language : {0, 1}) {
        Language = language;
        parse("+OK\r\nFrom: a@b\r\nSubject:\r\n\r\n.\r\n", FetchForm::Pop3, 0);
        parse("+OK\r\nFrom: a@b\r\n\r\n.\r\n", FetchForm::Pop3, 1);
        EXPECT_EQ(workingList->mails.subject(0), "Kein Betreff") << "language " << language;
        EXPECT_EQ(workingList->mails.subject(1), "Kein Betreff") << "language " << language;
    }
}

TEST_F(FetchedMailTest, MissingDateGivesTheFallbackDate) {
    parse("+OK\r\nFrom: a@b\r\n\r\n.\r\n", FetchForm::Pop3);
    EXPECT_EQ(workingList->mails.date(0), "");
    EXPECT_EQ(workingList->mails[0].day, 1);
    EXPECT_EQ(workingList->mails[0].month, 1);
    EXPECT_EQ(workingList->mails[0].year, 1999);
}

TEST_F(FetchedMailTest, EncodedWordsAreDecoded) {
    parse("+OK\r\nSubject: =?UTF-8?B?SGVsbG8=?=\r\nFrom: =?ISO-8859-1?Q?J=F6rg?= <j@x>\r\n\r\n",
          FetchForm::Pop3);
    EXPECT_EQ(workingList->mails.subject(0), "Hello");
    EXPECT_EQ(workingList->mails.from(0), "Jörg <j@x>");
}

TEST_F(FetchedMailTest, UnfinishedHeaderKeepsTheFieldsBeforeIt) {
    parse("+OK\r\nFrom: a@b\r\nSubject: never ended", FetchForm::Pop3);
    EXPECT_EQ(workingList->mails.from(0), "a@b");
    EXPECT_EQ(workingList->mails.subject(0), "Kein Betreff");
    EXPECT_EQ(workingList->mails.bodyPreview(0), "");
}

TEST_F(FetchedMailTest, IndexOutsideTheArraysChangesNothing) {
    parse("+OK\r\n" + kHeader, FetchForm::Pop3, kMaxMails);
    parse("+OK\r\n" + kHeader, FetchForm::Pop3, -1);
    EXPECT_TRUE(workingList->mails.subject(kMaxMails - 1).empty());
    EXPECT_TRUE(workingList->mails.subject(0).empty());
}

} // namespace
} // namespace ombrix
