#include "delete_fixture.h"

#include <cstdio>
#include <thread>

namespace ombrix::test {
namespace {

using ImapDeletionTest = DeleteRunTest;

// An IMAP server's side of the deletion, with the tags counted as the client
// counts them.
class ImapScript {
public:
    Script s;

    // The client sends `command` with the next tag; the server answers the
    // untagged lines, then the tagged completion.
    ImapScript& exchange(const std::string& command, const std::string& completion,
                         const std::string& untagged = "") {
        const std::string tag = nextTag();
        s.expect(tag + " " + command).send(untagged + tag + " " + completion + "\r\n");
        return *this;
    }

    ImapScript& login() {
        s.sendLine("* OK IMAP ready");
        return exchange("LOGIN bob secret", "OK Logged in");
    }

    ImapScript& capability(bool uidPlus) {
        return exchange("CAPABILITY", "OK Capability completed.",
                        std::string("* CAPABILITY IMAP4rev1 LITERAL+ IDLE") +
                            (uidPlus ? " UIDPLUS" : "") + " MOVE\r\n");
    }

    ImapScript& select(const std::string& validity = "1700000000") {
        return exchange(
            "SELECT INBOX", "OK [READ-WRITE] Select completed.",
            "* FLAGS (\\Answered \\Deleted \\Seen)\r\n* 3 EXISTS\r\n* OK [UIDVALIDITY " + validity +
                "] UIDs valid\r\n");
    }

    ImapScript& begin(bool uidPlus = false) { return login().capability(uidPlus).select(); }

    // The subject proof of one UID, answered with `untagged`.
    ImapScript& proveWith(const std::string& uid, const std::string& untagged,
                          const std::string& completion = "OK Fetch completed.") {
        return exchange("UID FETCH " + uid + " (BODY.PEEK[HEADER.FIELDS (SUBJECT)])", completion,
                        untagged);
    }

    ImapScript& prove(const std::string& uid, const std::string& subject) {
        return proveWith(uid, fetchResponse(uid, subject));
    }

    static std::string fetchResponse(const std::string& uid, const std::string& subject) {
        const std::string header = "Subject: " + subject + "\r\n\r\n";
        return "* " + std::to_string(std::stoi(uid) - 10) + " FETCH (UID " + uid +
               " BODY[HEADER.FIELDS (SUBJECT)] {" + std::to_string(header.size()) + "}\r\n" +
               header + ")\r\n";
    }

    ImapScript& searchDeleted(const std::string& uids = "") {
        return exchange("UID SEARCH DELETED", "OK Search completed.",
                        "* SEARCH" + (uids.empty() ? "" : " " + uids) + "\r\n");
    }

    ImapScript& store(const std::string& uid,
                      const std::string& completion = "OK Store completed.") {
        return exchange("UID STORE " + uid + " +FLAGS (\\Deleted)", completion);
    }

    ImapScript& logout() {
        const std::string tag = nextTag();
        s.expect(tag + " LOGOUT").send("* BYE\r\n" + tag + " OK Logout completed.\r\n");
        return *this;
    }

    // The tag the client will put on its next command.
    std::string nextTag() {
        char tag[8];
        std::snprintf(tag, sizeof tag, "a%03d", tags_++);
        return tag;
    }

private:
    int tags_ = 0;
};

AccountRecord& withThreeMails(AccountRecord& a) {
    a.uidValidity = "1700000000";
    a.mailCount = 3;
    for (int i = 0; i < 3; ++i) {
        a.mails[i].serverPosition = static_cast<std::uint32_t>(i);
        a.mails.setUid(i, std::to_string(11 + i));
        a.mails.setSubject(i, "Subject " + std::to_string(1 + i));
    }
    return a;
}

// The commands after the proof that could remove a mail.
std::vector<std::string> removals(const LoopbackServer& server) {
    std::vector<std::string> found;
    for (const std::string& line : server.received())
        for (const char* word : {" UID STORE ", " CLOSE", " EXPUNGE", " UID EXPUNGE "})
            if (line.find(word) != std::string::npos) {
                found.push_back(line.substr(5));
                break;
            }
    return found;
}

const std::vector<std::string> kQuietRun = {"stop alarms",
                                            "text Logging in...",
                                            "position 1",
                                            "icon 1",
                                            "tooltip deleting mail from server...",
                                            "close",
                                            "run done 100"};

TEST_F(ImapDeletionTest, ProvesFlagsAndClosesWhenNoOtherMailIsMarkedDeleted) {
    ImapScript i;
    i.begin().prove("13", "Subject 3").prove("11", "Subject 1").searchDeleted();
    i.store("13").store("11").exchange("CLOSE", "OK Close completed.").logout();
    LoopbackServer server(i.s);
    withThreeMails(account(server, true));

    EXPECT_EQ(run({2, 0}), DeleteOutcome::Done);
    EXPECT_TRUE(server.waitUntilDone());
    EXPECT_EQ(host_.calls(), kQuietRun);
    expectCleanEnd();
    EXPECT_TRUE(boxes_.shown().empty());
    EXPECT_EQ(imapRefused, 0);
    EXPECT_TRUE(why_.empty());
}

TEST_F(ImapDeletionTest, WithUidPlusOnlyTheFlaggedUidsAreExpunged) {
    ImapScript i;
    i.begin(true).prove("13", "Subject 3").prove("11", "Subject 1").store("13").store("11");
    i.exchange("UID EXPUNGE 13,11", "OK Expunge completed.", "* 3 EXPUNGE\r\n* 1 EXPUNGE\r\n");
    i.logout();
    LoopbackServer server(i.s);
    withThreeMails(account(server, true));

    EXPECT_EQ(run({2, 0}), DeleteOutcome::Done);
    EXPECT_TRUE(server.waitUntilDone());
    EXPECT_EQ(removals(server),
              (std::vector<std::string>{"UID STORE 13 +FLAGS (\\Deleted)",
                                        "UID STORE 11 +FLAGS (\\Deleted)", "UID EXPUNGE 13,11"}));
    EXPECT_TRUE(linesStartingWith(server, "a005 UID SEARCH").empty());
    expectCleanEnd();
}

TEST_F(ImapDeletionTest, ARefusedStoreKeepsThatMailOutOfTheExpungeAndIsReported) {
    ImapScript i;
    i.begin(true).prove("13", "Subject 3").prove("11", "Subject 1");
    i.store("13").store("11", "NO [CANNOT] read-only message");
    i.exchange("UID EXPUNGE 13", "OK Expunge completed.").logout();
    LoopbackServer server(i.s);
    withThreeMails(account(server, true));

    EXPECT_EQ(run({2, 0}), DeleteOutcome::Incomplete);
    EXPECT_TRUE(server.waitUntilDone());
    EXPECT_EQ(why_, "Not every selected mail was deleted, the server answered:\n"
                    "a006 NO [CANNOT] read-only message");
    EXPECT_EQ(boxes_.texts(), std::vector<std::string>{why_}); // the window says so too
    expectCleanEnd(); // as described: a refused STORE does not stop the run
    EXPECT_EQ(imapRefused, 0);
}

struct NothingFlagged {
    const char* name;
    bool uidPlus;
};

class ImapNothingFlaggedTest : public DeleteRunTest,
                               public ::testing::WithParamInterface<NothingFlagged> {};

TEST_P(ImapNothingFlaggedTest, SendsNoCloseAndNoExpunge) {
    ImapScript i;
    i.begin(GetParam().uidPlus).prove("12", "Subject 2");
    if (!GetParam().uidPlus)
        i.searchDeleted("5");
    i.store("12", "NO no permission").logout();
    LoopbackServer server(i.s);
    withThreeMails(account(server, true));
    boxes_.answerNext(BoxAnswer::Yes);

    EXPECT_EQ(run({1}), DeleteOutcome::Incomplete);
    EXPECT_TRUE(server.waitUntilDone());
    EXPECT_EQ(removals(server), std::vector<std::string>{"UID STORE 12 +FLAGS (\\Deleted)"});
    expectCleanEnd();
}

INSTANTIATE_TEST_SUITE_P(Servers, ImapNothingFlaggedTest,
                         ::testing::Values(NothingFlagged{"WithUidPlus", true},
                                           NothingFlagged{"WithoutUidPlus", false}),
                         caseName);

struct ExpungeRefusal {
    const char* name;
    bool uidPlus;
    std::string command;
};

class ImapExpungeRefusedTest : public DeleteRunTest,
                               public ::testing::WithParamInterface<ExpungeRefusal> {};

TEST_P(ImapExpungeRefusedTest, LeavesTheOutcomeIncomplete) {
    ImapScript i;
    i.begin(GetParam().uidPlus).prove("12", "Subject 2");
    if (!GetParam().uidPlus)
        i.searchDeleted();
    const std::string tag = i.store("12").nextTag();
    i.s.expect(tag + " " + GetParam().command).sendLine(tag + " NO [SERVERBUG] try later");
    i.logout();
    LoopbackServer server(i.s);
    withThreeMails(account(server, true));

    EXPECT_EQ(run({1}), DeleteOutcome::Incomplete);
    EXPECT_TRUE(server.waitUntilDone());
    EXPECT_EQ(why_, "Not every selected mail was deleted, the server answered:\n" + tag +
                        " NO [SERVERBUG] try later");
    EXPECT_EQ(boxes_.texts(), std::vector<std::string>{why_});
    expectCleanEnd();
}

INSTANTIATE_TEST_SUITE_P(Commands, ImapExpungeRefusedTest,
                         ::testing::Values(ExpungeRefusal{"UidExpunge", true, "UID EXPUNGE 12"},
                                           ExpungeRefusal{"Close", false, "CLOSE"}),
                         caseName);

// A row whose UID names another mail now (or none) must not be flagged: the
// subject that the server holds under the UID decides.
struct StaleRow {
    const char* name;
    std::string untagged; // the server's answer to the proof of UID 11
};

class ImapStaleRowTest : public DeleteRunTest, public ::testing::WithParamInterface<StaleRow> {};

TEST_P(ImapStaleRowTest, FlagsNothingAndShowsTheConsistencyMessage) {
    ImapScript i;
    i.begin().prove("13", "Subject 3").proveWith("11", GetParam().untagged).logout();
    LoopbackServer server(i.s);
    withThreeMails(account(server, true));

    EXPECT_EQ(run({2, 0}), DeleteOutcome::Inconsistent);
    EXPECT_TRUE(server.waitUntilDone());
    EXPECT_TRUE(removals(server).empty());
    EXPECT_EQ(boxes_.texts(), std::vector<std::string>{kInconsistentText});
    EXPECT_EQ(why_, kInconsistentText);
    expectCleanEnd();
}

INSTANTIATE_TEST_SUITE_P(
    Replies, ImapStaleRowTest,
    ::testing::Values(StaleRow{"AnotherSubject", ImapScript::fetchResponse("11", "Subject 3")},
                      StaleRow{"AnEmptySubject", ImapScript::fetchResponse("11", "")},
                      StaleRow{"MailGone", ""},
                      StaleRow{"OnlyAFlagUpdate", "* 1 FETCH (FLAGS (\\Seen \\Deleted))\r\n"},
                      StaleRow{"AnotherUidsResponse", ImapScript::fetchResponse("12", "Subject 1")},
                      StaleRow{"AnUnclosedResponse",
                               "* 1 FETCH (UID 11 BODY[HEADER.FIELDS (SUBJECT)] {4}\r\nSub\r\n"}),
    caseName);

TEST_F(ImapDeletionTest, AProofAmidUnsolicitedResponsesPasses) {
    ImapScript i;
    i.begin().proveWith("11", "* 4 EXISTS\r\n* 2 FETCH (FLAGS (\\Seen))\r\n" +
                                  ImapScript::fetchResponse("11", "=?UTF-8?Q?Subject_1?="));
    i.searchDeleted().store("11").exchange("CLOSE", "OK").logout();
    LoopbackServer server(i.s);
    withThreeMails(account(server, true));

    EXPECT_EQ(run({0}), DeleteOutcome::Done);
    EXPECT_TRUE(server.waitUntilDone());
}

// Status words and keywords are case-insensitive, and a response's items come
// in the server's order: a server writing in lower case, with the proof's
// header before its UID, deletes as any other.
TEST_F(ImapDeletionTest, AServerInLowerCaseWithItsItemsInAnotherOrderDeletes) {
    const std::string header = "Subject: Subject 1\r\n\r\n";
    ImapScript i;
    i.s.sendLine("* ok IMAP ready");
    i.exchange("LOGIN bob secret", "ok Logged in");
    i.exchange("CAPABILITY", "ok done", "* capability IMAP4rev1 UIDPLUS\r\n");
    i.exchange("SELECT INBOX", "ok [read-write] done",
               "* 3 exists\r\n* ok [uidvalidity 1700000000] UIDs valid\r\n");
    i.proveWith("11",
                "* 1 fetch (body[header.fields (subject)] {" + std::to_string(header.size()) +
                    "}\r\n" + header + " uid 11)\r\n",
                "ok done");
    i.exchange("UID STORE 11 +FLAGS (\\Deleted)", "ok done");
    i.exchange("UID EXPUNGE 11", "ok done", "* 1 expunge\r\n");
    const std::string tag = i.nextTag();
    i.s.expect(tag + " LOGOUT").send("* bye\r\n" + tag + " ok bye\r\n");
    LoopbackServer server(i.s);
    withThreeMails(account(server, true));

    EXPECT_EQ(run({0}), DeleteOutcome::Done);
    EXPECT_TRUE(server.waitUntilDone());
    EXPECT_EQ(removals(server),
              (std::vector<std::string>{"UID STORE 11 +FLAGS (\\Deleted)", "UID EXPUNGE 11"}));
}

// Without UIDPLUS, CLOSE would also remove the mails another program marked
// as deleted: the user is asked first, naming how many.
struct OthersMarked {
    const char* name;
    std::string searchResult; // 13 is selected, the others are not
    BoxAnswer answer;
    std::string question;
};

class ImapOthersMarkedTest : public DeleteRunTest,
                             public ::testing::WithParamInterface<OthersMarked> {};

TEST_P(ImapOthersMarkedTest, AsksBeforeCloseRemovesThemToo) {
    const bool yes = GetParam().answer == BoxAnswer::Yes;
    ImapScript i;
    i.begin().prove("13", "Subject 3").searchDeleted(GetParam().searchResult);
    if (yes)
        i.store("13").exchange("CLOSE", "OK Close completed.");
    i.logout();
    LoopbackServer server(i.s);
    withThreeMails(account(server, true));
    boxes_.answerNext(GetParam().answer);

    EXPECT_EQ(run({2}), yes ? DeleteOutcome::Done : DeleteOutcome::Declined);
    EXPECT_TRUE(server.waitUntilDone());
    const std::vector<ShownBox> shown = boxes_.shown();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].kind, BoxKind::YesNoQuestion);
    EXPECT_EQ(shown[0].text, GetParam().question);
    if (yes) {
        EXPECT_EQ(removals(server),
                  (std::vector<std::string>{"UID STORE 13 +FLAGS (\\Deleted)", "CLOSE"}));
    } else {
        EXPECT_TRUE(removals(server).empty());
        EXPECT_NE(why_.find("Nothing deleted"), std::string::npos) << why_;
    }
    expectCleanEnd();
}

INSTANTIATE_TEST_SUITE_P(
    Answers, ImapOthersMarkedTest,
    ::testing::Values(
        OthersMarked{"NoKeepsEverything", "5 13", BoxAnswer::No,
                     "1 other mail in this mailbox is marked as deleted by another program. This "
                     "server cannot remove the selected mails without removing that one too.\r\n"
                     "Delete all of them? (No deletes nothing.)"},
        OthersMarked{"YesClosesWithThem", "5 20 21 13", BoxAnswer::Yes,
                     "3 other mails in this mailbox are marked as deleted by another program. "
                     "This server cannot remove the selected mails without removing those too.\r\n"
                     "Delete all of them? (No deletes nothing.)"}),
    caseName);

TEST_F(ImapDeletionTest, ASelectedMailMarkedByAnotherProgramAsksNothing) {
    ImapScript i;
    i.begin().prove("13", "Subject 3").searchDeleted("13").store("13");
    i.exchange("CLOSE", "OK").logout();
    LoopbackServer server(i.s);
    withThreeMails(account(server, true));

    EXPECT_EQ(run({2}), DeleteOutcome::Done);
    EXPECT_TRUE(server.waitUntilDone());
    EXPECT_TRUE(boxes_.shown().empty());
}

TEST_F(ImapDeletionTest, BlanksInAStoredUidAreRemoved) {
    ImapScript i;
    i.begin().prove("12", "Subject 2").searchDeleted().store("12").exchange("CLOSE", "OK");
    i.logout();
    LoopbackServer server(i.s);
    withThreeMails(account(server, true)).mails.setUid(1, " 1 2 ");

    EXPECT_EQ(run({1}), DeleteOutcome::Done);
    EXPECT_TRUE(server.waitUntilDone());
}

TEST_F(ImapDeletionTest, AChangedUidValidityFlagsNothingAndOnlyLogsOut) {
    ImapScript i;
    i.login().capability(true).select("1700000099").logout();
    LoopbackServer server(i.s);
    withThreeMails(account(server, true));

    EXPECT_EQ(run({0, 1}), DeleteOutcome::Inconsistent);
    EXPECT_TRUE(server.waitUntilDone());
    EXPECT_TRUE(removals(server).empty());
    EXPECT_EQ(boxes_.texts(), std::vector<std::string>{kInconsistentText});
    expectCleanEnd();
}

TEST_F(ImapDeletionTest, AbortDuringTheStoreLoopLogsOutWithoutClose) {
    ImapScript i;
    i.begin(true).prove("11", "Subject 1").prove("12", "Subject 2").prove("13", "Subject 3");
    i.store("11");
    i.s.expect(i.nextTag() + " UID STORE 12 +FLAGS (\\Deleted)"); // the user aborts meanwhile
    const std::size_t logoutStep = i.s.steps().size();
    i.logout();
    LoopbackServer server(i.s);
    withThreeMails(account(server, true));

    DeleteOutcome outcome = DeleteOutcome::NotStarted;
    std::thread worker([&] { outcome = run({0, 1, 2}); });
    ASSERT_TRUE(server.waitUntilReached(logoutStep));
    abortRequest = 1;
    worker.join();

    EXPECT_EQ(outcome, DeleteOutcome::Aborted);
    EXPECT_TRUE(server.waitUntilDone());
    EXPECT_EQ(removals(server), (std::vector<std::string>{"UID STORE 11 +FLAGS (\\Deleted)",
                                                          "UID STORE 12 +FLAGS (\\Deleted)"}));
    EXPECT_EQ(server.received().back(), "a008 LOGOUT");
    expectCleanEnd();
}

struct DialogueFailure {
    const char* name;
    bool uidPlus;
    std::string proofCompletion; // of the proof of UID 11
    std::string searchReply;     // without UIDPLUS: what answers UID SEARCH DELETED
    std::string errorText;
};

class ImapDialogueFailureTest : public DeleteRunTest,
                                public ::testing::WithParamInterface<DialogueFailure> {};

TEST_P(ImapDialogueFailureTest, IsAFailureWithNothingFlagged) {
    const DialogueFailure& f = GetParam();
    ImapScript i;
    i.begin(f.uidPlus);
    if (f.proofCompletion.starts_with("OK")) {
        i.prove("11", "Subject 1");
        const std::string tag = i.nextTag();
        i.s.expect(tag + " UID SEARCH DELETED").send(f.searchReply);
    } else {
        i.proveWith("11", "", f.proofCompletion);
    }
    i.logout();
    LoopbackServer server(i.s);
    withThreeMails(account(server, true));

    EXPECT_EQ(run({0}), DeleteOutcome::Failed);
    EXPECT_TRUE(server.waitUntilDone());
    EXPECT_TRUE(removals(server).empty());
    expectFailedEnd(f.errorText);
    EXPECT_EQ(imapRefused, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Steps, ImapDialogueFailureTest,
    ::testing::Values(DialogueFailure{"ProofRefused", true, "NO [SERVERBUG] Internal error", "",
                                      "a003 NO [SERVERBUG] Internal error"},
                      DialogueFailure{"SearchRefused", false, "OK", "a004 BAD Unknown command\r\n",
                                      "a004 BAD Unknown command"},
                      DialogueFailure{
                          "SearchWithoutItsResponse", false, "OK", "a004 OK Search completed.\r\n",
                          "protocol error: the server's reply could not be read, please tell "
                          "support@ombrix.org"}),
    caseName);

// A SEARCH list that ends before its completion could hide marked mails.
TEST_F(ImapDeletionTest, ACutSearchListIsNoReplyAndFlagsNothing) {
    ImapScript i;
    i.begin().prove("11", "Subject 1");
    i.s.expect(i.nextTag() + " UID SEARCH DELETED").send("* SEARCH 5 9\r\n").close();
    LoopbackServer server(i.s);
    withThreeMails(account(server, true));

    EXPECT_EQ(run({0}), DeleteOutcome::Failed);
    EXPECT_TRUE(server.waitUntilDone());
    EXPECT_TRUE(removals(server).empty());
    EXPECT_TRUE(boxes_.shown().empty());
    expectFailedEnd("mailserver does not respond");
}

struct SelectFailure {
    const char* name;
    std::string reply;
    std::string errorText;
};

class ImapSelectFailureTest : public DeleteRunTest,
                              public ::testing::WithParamInterface<SelectFailure> {};

TEST_P(ImapSelectFailureTest, IsAFailureWithNothingFlagged) {
    ImapScript i;
    i.login().capability(false);
    i.s.expect(i.nextTag() + " SELECT INBOX").send(GetParam().reply);
    i.logout();
    LoopbackServer server(i.s);
    withThreeMails(account(server, true));

    EXPECT_EQ(run({0}), DeleteOutcome::Failed);
    EXPECT_TRUE(server.waitUntilDone());
    EXPECT_TRUE(removals(server).empty());
    expectFailedEnd(GetParam().errorText);
    EXPECT_EQ(imapRefused, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Replies, ImapSelectFailureTest,
    ::testing::Values(SelectFailure{"Refused", "a002 NO Mailbox is locked\r\n",
                                    "a002 NO Mailbox is locked"},
                      SelectFailure{"NoUidValidity", "* 3 EXISTS\r\na002 OK Select completed.\r\n",
                                    "No Serverresponse on NEXTUID"},
                      SelectFailure{"UidValidityWithoutDigits",
                                    "* OK [UIDVALIDITY ] odd\r\na002 OK Select completed.\r\n",
                                    "No Serverresponse on NEXTUID"}),
    caseName);

TEST_F(ImapDeletionTest, ARefusedLoginIsAFailure) {
    ImapScript i;
    i.s.sendLine("* OK IMAP ready");
    i.exchange("LOGIN bob secret", "NO [AUTHENTICATIONFAILED] Authentication failed.").logout();
    LoopbackServer server(i.s);
    withThreeMails(account(server, true));

    EXPECT_EQ(run({0}), DeleteOutcome::Failed);
    EXPECT_TRUE(server.waitUntilDone());
    expectFailedEnd("a000 NO [AUTHENTICATIONFAILED] Authentication failed.");
}

TEST_F(ImapDeletionTest, ARefusedCapabilityMeansNoUidPlus) {
    ImapScript i;
    i.login().exchange("CAPABILITY", "BAD not now").select().prove("11", "Subject 1");
    i.searchDeleted().store("11").exchange("CLOSE", "OK").logout();
    LoopbackServer server(i.s);
    withThreeMails(account(server, true));

    EXPECT_EQ(run({0}), DeleteOutcome::Done);
    EXPECT_TRUE(server.waitUntilDone());
    EXPECT_EQ(imapRefused, 0);
}

// The password travels as an IMAP quoted string, as in the check.
TEST_F(ImapDeletionTest, APasswordWithBlanksIsQuoted) {
    ImapScript i;
    i.s.sendLine("* OK IMAP ready");
    i.exchange("LOGIN bob \"my \\\"pass\\\"\"", "OK").capability(true).select();
    i.prove("11", "Subject 1").store("11").exchange("UID EXPUNGE 11", "OK").logout();
    LoopbackServer server(i.s);
    withThreeMails(account(server, true)).password = "my \"pass\"";

    EXPECT_EQ(run({0}), DeleteOutcome::Done);
    EXPECT_TRUE(server.waitUntilDone());
}

} // namespace
} // namespace ombrix::test
