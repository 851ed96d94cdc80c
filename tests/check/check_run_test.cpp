// The check run around the dialogues: read and new decisions, failures and
// aborts per account, the calls it makes on the window side, status texts.

#include "check/account_status.h"
#include "check/mail_triples.h"
#include "check_fixture.h"
#include "core/language.h"

#include <gmock/gmock.h>
#include <thread>

namespace ombrix::test {
namespace {

using ::testing::ElementsAre;

class CheckRunFlowTest : public CheckRunTest {};

Script emptyPop3Box() {
    Script s;
    pop3Login(s);
    s.expect("STAT").sendLine("+OK 0 0").expect("QUIT").sendLine("+OK bye");
    return s;
}

TEST_F(CheckRunFlowTest, ReadAndNewAreDecidedByTheTriplesOfTheLastList) {
    // Before: u1 = A (read), u2 = B (unread). Now: u1 known, u3 carries A's
    // triple, u4 carries B's, u5 is a mail never seen.
    Script s;
    pop3Login(s);
    s.expect("STAT").sendLine("+OK 4 900");
    s.expect("UIDL").send("+OK\r\n1 u1\r\n2 u3\r\n3 u4\r\n4 u5\r\n.\r\n");
    pop3Fetch(s, 2, kMailA);
    pop3Fetch(s, 3, kMailB);
    pop3Fetch(s, 4, kMailC);
    s.expect("QUIT").sendLine("+OK bye");
    LoopbackServer server(s);
    AccountRecord& a = account(0, server);
    storeKnown(a, 0, "u1\r\n", kMailA, 1);
    storeKnown(a, 1, "u2\r\n", kMailB, 0);
    a.mailCount = 2;

    runCheck();

    EXPECT_TRUE(server.waitUntilDone());
    ASSERT_EQ(a.mailCount, 4);
    struct Expected {
        const char* uid;
        std::uint8_t read;
    };
    const Expected rows[] = {{"u1\r\n", 1}, {"u3\r\n", 1}, {"u4\r\n", 0}, {"u5\r\n", 0}};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(a.mails.uid(i), rows[i].uid) << i;
        EXPECT_EQ(a.mails[i].read, rows[i].read) << i;
        EXPECT_EQ(a.mails[i].serverPosition, static_cast<std::uint32_t>(i)) << i;
    }
    EXPECT_EQ(newMailCount, 1) << "only the mail with an unseen triple is new";
}

// The alert of each account is asked for its own new mail: the run keeps
// every account's share of newMailCount, from nothing at its start.
TEST_F(CheckRunFlowTest, EachAccountKeepsItsShareOfTheNewMails) {
    Script s;
    pop3Login(s);
    s.expect("STAT").sendLine("+OK 3 900");
    s.expect("UIDL").send("+OK\r\n1 u1\r\n2 u2\r\n3 u3\r\n.\r\n");
    pop3Fetch(s, 2, kMailB);
    pop3Fetch(s, 3, kMailC);
    s.expect("QUIT").sendLine("+OK bye");
    LoopbackServer empty(emptyPop3Box());
    LoopbackServer full(s);
    AccountRecord& quiet = account(0, empty);
    quiet.newMails = 5; // left from a run the window never announced
    AccountRecord& busy = account(1, full);
    storeKnown(busy, 0, "u1\r\n", kMailA, 1);
    busy.mailCount = 1;

    runCheck();

    EXPECT_TRUE(empty.waitUntilDone());
    EXPECT_TRUE(full.waitUntilDone());
    EXPECT_EQ(quiet.newMails, 0);
    EXPECT_EQ(busy.newMails, 2);
    EXPECT_EQ(newMailCount, 2);
}

TEST(MailTriplesTest, FieldsCompareExactlyAndCannotRunIntoEachOther) {
    auto before = std::make_unique<AccountRecord>();
    storeKnown(*before, 0, "x", {"a", "bc", "d"}, 1);
    before->mailCount = 1;
    const MailTriples triples(*before);
    auto now = std::make_unique<AccountRecord>();
    storeKnown(*now, 0, "y", {"a", "bc", "d"}, 0);
    storeKnown(*now, 1, "y", {"ab", "c", "d"}, 0);
    storeKnown(*now, 2, "y", {"a", "bc", "D"}, 0);
    EXPECT_TRUE(triples.readBefore(*now, 0));
    EXPECT_TRUE(triples.knownBefore(*now, 0));
    EXPECT_FALSE(triples.knownBefore(*now, 1));
    EXPECT_FALSE(triples.knownBefore(*now, 2));
}

TEST_F(CheckRunFlowTest, AbortDuringTheThirdOfFiveAccountsLeavesThreeToFiveUnchanged) {
    LoopbackServer first(emptyPop3Box());
    LoopbackServer second(emptyPop3Box());
    Script hanging;
    pop3Login(hanging);
    hanging.expect("STAT").silent();
    const std::size_t statReceived = hanging.steps().size() - 1;
    LoopbackServer third(hanging);
    Script untouched;
    untouched.sendLine("+OK never");
    LoopbackServer fourth(untouched);
    LoopbackServer fifth(untouched);
    const LoopbackServer* servers[] = {&first, &second, &third, &fourth, &fifth};
    for (int k = 0; k < 5; ++k) {
        AccountRecord& a = account(k, *servers[k]);
        storeKnown(a, 0, "u1\r\n", kMailA, 0);
        a.mailCount = 1;
        a.checked = 1;
    }
    accounts[3].checked = 0;
    accounts[2].errorFlag = 1;
    accounts[2].errorText = "earlier failure";

    std::thread run([this] { runCheck(); });
    ASSERT_TRUE(third.waitUntilReached(statReceived));
    // The third account's calls reach the host only once the second has
    // committed: accounts are checked side by side, but commit in order.
    ASSERT_TRUE(host_.waitForCall("icon 1", 3));
    abortRequest = 1;
    run.join();

    EXPECT_EQ(accounts[0].mailCount, 0);
    EXPECT_EQ(accounts[1].mailCount, 0);
    for (int k = 2; k < 5; ++k) {
        EXPECT_EQ(accounts[k].mailCount, 1) << k;
        EXPECT_EQ(accounts[k].mails.subject(0), kMailA.subject) << k;
    }
    EXPECT_EQ(accounts[2].checked, 1);
    EXPECT_EQ(accounts[2].errorFlag, 1);
    EXPECT_EQ(accounts[2].errorText, "earlier failure");
    EXPECT_EQ(accounts[3].checked, 0);
    // The fourth and fifth account may have been talking to their servers
    // beside the third when the abort came (accounts are checked side by
    // side); what the abort guarantees is that nothing of theirs is committed.
    EXPECT_EQ(checkRunning, 0);
    EXPECT_EQ(host_.calls().back(), "run done 10");
    EXPECT_EQ(host_.loggedIn(), (std::vector<int>{0, 1})) << "an aborted check tells nothing";
}

TEST_F(CheckRunFlowTest, FailedAccountDoesNotStopTheNextOne) {
    Script refusing;
    refusing.sendLine("+OK").expect("USER bob").sendLine("-ERR no such user");
    LoopbackServer bad(refusing);
    LoopbackServer good(emptyPop3Box());
    AccountRecord& failing = account(0, bad);
    storeKnown(failing, 0, "u1\r\n", kMailA, 0);
    failing.mailCount = 1;
    AccountRecord& working = account(1, good);
    storeKnown(working, 0, "u1\r\n", kMailA, 0);
    working.mailCount = 1;

    runCheck();

    EXPECT_EQ(failing.errorFlag, 1);
    EXPECT_EQ(failing.mailCount, 1);
    EXPECT_EQ(accountStatus(failing).image, kImageFailed);
    EXPECT_TRUE(good.waitUntilDone());
    EXPECT_EQ(working.errorFlag, 0);
    EXPECT_EQ(working.mailCount, 0);
    EXPECT_EQ(host_.loggedIn(), std::vector<int>{1}) << "only the account that passed logged in";
}

TEST_F(CheckRunFlowTest, WindowSideSeesTrayProgressAndTheEnd) {
    windowHidden = 0;
    waitDialogReady = 1;
    LoopbackServer server(emptyPop3Box());
    account(0, server).name = "bob@example.org";

    runCheck();

    EXPECT_THAT(host_.calls(),
                ElementsAre("stop alarms", "icon 1", "tooltip checking mails...",
                            "text checking bob@example.org ...", "button", "range 0..10",
                            "position 1", "position 1", "position 10", "close", "run done 10"));
    EXPECT_EQ(checkRunning, 0);
    EXPECT_EQ(dataIdle, 1);
}

TEST_F(CheckRunFlowTest, EveryAccountDeactivatedStillEndsWithRunDone) {
    Script none;
    none.sendLine("+OK never");
    LoopbackServer server(none);
    account(0, server).deactivated = 1;
    account(1, server).deactivated = 1;

    runCheck();

    EXPECT_EQ(server.connections(), 0);
    EXPECT_THAT(host_.calls(), ElementsAre("stop alarms", "run done 10"));
}

TEST_F(CheckRunFlowTest, NoRunWhileAnotherRunIsActiveOrWithoutAccounts) {
    runCheck(); // no account
    deleteRunning = 1;
    Script none;
    none.sendLine("+OK never");
    LoopbackServer server(none);
    account(0, server);
    runCheck();
    deleteRunning = 0;
    checkRunning = 1;
    runCheck();
    EXPECT_TRUE(host_.calls().empty());
    EXPECT_EQ(server.connections(), 0);
}

TEST_F(CheckRunFlowTest, ListsAreSortedByTheCurrentOrderAtTheEnd) {
    sortOrder = kSortSubjectAscending;
    Script s;
    pop3Login(s);
    s.expect("STAT").sendLine("+OK 2 900");
    s.expect("UIDL").send("+OK\r\n1 u1\r\n2 u2\r\n.\r\n");
    s.expect("QUIT").sendLine("+OK bye");
    LoopbackServer server(s);
    AccountRecord& a = account(0, server);
    storeKnown(a, 0, "u1\r\n", kMailB, 0); // "Report"
    storeKnown(a, 1, "u2\r\n", kMailA, 0); // "Lunch"
    a.mailCount = 2;

    runCheck();

    EXPECT_EQ(a.mails.subject(0), "Lunch");
    EXPECT_EQ(a.mails[0].serverPosition, 1u);
}

struct StatusRow {
    const char* name;
    std::uint8_t deactivated, errorFlag, checked;
    int mails, unread;
    AccountImage image;
    std::string english;
    std::string german;
};

class AccountStatusTest : public ::testing::TestWithParam<StatusRow> {};

TEST_P(AccountStatusTest, FirstMatchingCaseGivesImageAndText) {
    const StatusRow& row = GetParam();
    auto a = std::make_unique<AccountRecord>();
    a->deactivated = row.deactivated;
    a->errorFlag = row.errorFlag;
    a->errorText = "timeout";
    a->checked = row.checked;
    a->mailCount = row.mails;
    for (int i = 0; i < std::max(row.mails, 0); ++i)
        a->mails[i].read = i < row.unread ? 0 : 1;
    Language = 1;
    EXPECT_EQ(accountStatus(*a).image, row.image);
    EXPECT_EQ(accountStatus(*a).text, row.english);
    Language = 0;
    EXPECT_EQ(accountStatus(*a).text, row.german);
    Language = 1;
}

INSTANTIATE_TEST_SUITE_P(
    Rows, AccountStatusTest,
    ::testing::Values(StatusRow{"Deactivated", 1, 1, 1, 3, 3, kImageDeactivated,
                                "deactivated - account will not be checked",
                                "Deaktiviert - Konto wird nicht geprüft"},
                      StatusRow{"Failed", 0, 1, 1, 3, 3, kImageFailed, "Error: timeout",
                                "Fehler: timeout"},
                      StatusRow{"EmptyMinusOne", 0, 0, 1, -1, 0, kImageChecked, "Empty - no mails",
                                "Leer - keine Mails"},
                      StatusRow{"AllRead", 0, 0, 1, 4, 0, kImageChecked, "no new mails (4 old)",
                                "keine neuen Mails (4 alt)"},
                      StatusRow{"AllUnread", 0, 0, 1, 2, 2, kImageUnread, "2 new mails !",
                                "2 neue Mail im Postfach !"},
                      StatusRow{"SomeUnread", 0, 0, 1, 5, 1, kImageUnread, "1 new mails ! (4 old)",
                                "1 neue Mail im Postfach ! (4 alt)"},
                      StatusRow{"NotChecked", 0, 0, 0, 2, 2, kImageNotChecked,
                                "activated - account will be checked next time",
                                "Aktiviert - Überprüfung steht aus"}),
    [](const auto& row) { return std::string(row.param.name); });

} // namespace
} // namespace ombrix::test

namespace ombrix::test {
namespace {

// The second account is checked while the first still waits on its server,
// yet the window sees the first account's calls and result before the
// second's. Sequential checks would never reach the second server here.
TEST_F(CheckRunFlowTest, AccountsAreCheckedSideBySideAndReportedInTheirOrder) {
    Script slow;
    slow.hold();
    slow.sendLine("+OK POP3 ready").expect("USER bob").sendLine("+OK").expect("PASS secret");
    slow.sendLine("+OK logged in").expect("STAT").sendLine("+OK 0 0");
    slow.expect("QUIT").sendLine("+OK bye");
    LoopbackServer first(slow);
    LoopbackServer second(emptyPop3Box());
    account(0, first);
    account(1, second);
    windowHidden = 0;
    waitDialogReady = 1;

    std::thread run([this] { runCheck(); });
    const bool secondDoneFirst = second.waitUntilDone();
    first.release();
    run.join();

    EXPECT_TRUE(secondDoneFirst);
    EXPECT_TRUE(first.waitUntilDone());
    EXPECT_EQ(accounts[0].checked, 1);
    EXPECT_EQ(accounts[1].checked, 1);
    const auto accountCalls = [](const std::string& name) {
        return std::vector<std::string>{"icon 1",
                                        "tooltip checking mails...",
                                        "text checking " + name + " ...",
                                        "button",
                                        "range 0..10",
                                        "position 1",
                                        "position 1",
                                        "position 10"};
    };
    std::vector<std::string> expected{"stop alarms"};
    std::ranges::copy(accountCalls("account0"), std::back_inserter(expected));
    std::ranges::copy(accountCalls("account1"), std::back_inserter(expected));
    expected.insert(expected.end(), {"close", "run done 10"});
    EXPECT_EQ(host_.calls(), expected);
}

} // namespace
} // namespace ombrix::test
