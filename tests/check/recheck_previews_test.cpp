// A check copies the last list without its previews and gives each mail it
// keeps its own preview back when it commits: in the server's new order, to a
// mail the server lists twice, and for an unchanged box. Should an entry of
// the slot stop holding the mail the run took over, no preview is attached to
// a wrong mail: the run keeps the list as the slot has it. A read mark the user
// changes while the run goes on is the one the committed list keeps.

#include "check_fixture.h"
#include "core/commit_bracket.h"

#include <functional>
#include <thread>

namespace ombrix::test {
namespace {

class RecheckPreviewsTest : public CheckRunTest {
protected:
    // Three mails of the last check, each with a preview of its own.
    void storeLastList(AccountRecord& a) {
        const CannedMail* mails[] = {&kMailA, &kMailB, &kMailC};
        for (int i = 0; i < 3; ++i) {
            storeKnown(a, i, "u" + std::to_string(i + 1) + "\r\n", *mails[i], 0);
            a.mails.setBodyPreview(i, "preview of u" + std::to_string(i + 1));
        }
        a.mailCount = 3;
    }

    // A re-check of storeLastList's mails whose server lists `uidl`, then
    // holds the run at QUIT while `meanwhile` changes the slot under the
    // table lock, as the window would.
    void recheckWhile(const std::string& uidl, const std::function<void(AccountRecord&)>& meanwhile,
                      const std::function<void(AccountRecord&)>& before = {}) {
        Script s;
        pop3Login(s); // steps 0 to 4
        s.expect("STAT").sendLine("+OK 3 900");
        s.expect("UIDL").send(uidl);
        s.expect("QUIT").hold().sendLine("+OK bye"); // step 10: the run waits for the farewell
        recheckWhile(std::move(s), false, meanwhile, before);
    }

    // The same for an IMAP box that has not changed since storeLastList's check.
    void unchangedImapRecheckWhile(const std::function<void(AccountRecord&)>& meanwhile) {
        Script s;
        imapLoginSteps(s); // steps 0 to 2
        imapStatus(s, "7", "4", "3");
        s.expect("a004 LOGOUT").hold(); // step 10
        s.send("* BYE\r\na004 OK Logout completed.\r\n");
        recheckWhile(std::move(s), true, meanwhile, [](AccountRecord& a) {
            a.uidValidity = "7";
            a.uidNext = "4";
        });
    }

    // Runs the check against `s`, which holds it at step 10.
    void recheckWhile(Script s, bool imap, const std::function<void(AccountRecord&)>& meanwhile,
                      const std::function<void(AccountRecord&)>& before) {
        LoopbackServer server(s);
        AccountRecord& a = account(0, server, imap);
        storeLastList(a);
        if (before)
            before(a);

        std::thread run([this] { runCheck(); });
        const bool held = server.waitUntilReached(10);
        if (held) {
            const TableAccess access;
            meanwhile(a);
        }
        server.release();
        run.join();
        EXPECT_TRUE(held) << "the run never reached QUIT";
        EXPECT_TRUE(server.waitUntilDone());
    }
};

TEST_F(RecheckPreviewsTest, KeptMailsTakeTheirOwnPreviewsIntoTheServersNewOrder) {
    // u2 is gone, u3 comes first, u1 is listed twice, u9 is new.
    const CannedMail kNew{"dave@example.org", "New", "Thu, 4 Jan 2024 13:00:00 +0000"};
    Script s;
    pop3Login(s);
    s.expect("STAT").sendLine("+OK 4 900");
    s.expect("UIDL").send("+OK\r\n1 u3\r\n2 u9\r\n3 u1\r\n4 u1\r\n.\r\n");
    pop3Fetch(s, 2, kNew);
    s.expect("QUIT").sendLine("+OK bye");
    LoopbackServer server(s);
    AccountRecord& a = account(0, server);
    storeLastList(a);

    runCheck();

    EXPECT_TRUE(server.waitUntilDone());
    EXPECT_EQ(a.errorFlag, 0) << a.errorText;
    ASSERT_EQ(a.mailCount, 4);
    const char* uids[] = {"u3\r\n", "u9\r\n", "u1\r\n", "u1\r\n"};
    const char* previews[] = {"preview of u3", "Hello there.\r\n", "preview of u1",
                              "preview of u1"};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(a.mails.uid(i), uids[i]) << i;
        EXPECT_EQ(a.mails.bodyPreview(i), previews[i]) << i;
    }
    EXPECT_EQ(a.mails.subject(0), kMailC.subject);
    EXPECT_EQ(a.mails.subject(2), kMailA.subject);
}

TEST_F(RecheckPreviewsTest, AnUnchangedImapBoxKeepsEveryPreviewWhereItWas) {
    Script s;
    imapLoginSteps(s);
    imapStatus(s, "7", "4", "3");
    s.expect("a004 LOGOUT").send("* BYE\r\na004 OK Logout completed.\r\n");
    LoopbackServer server(s);
    AccountRecord& a = account(0, server, true);
    storeLastList(a);
    a.uidValidity = "7";
    a.uidNext = "4";

    runCheck();

    EXPECT_TRUE(server.waitUntilDone());
    EXPECT_EQ(a.errorFlag, 0) << a.errorText;
    ASSERT_EQ(a.mailCount, 3);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(a.mails.uid(i), "u" + std::to_string(i + 1) + "\r\n") << i;
        EXPECT_EQ(a.mails.bodyPreview(i), "preview of u" + std::to_string(i + 1)) << i;
    }
}

TEST_F(RecheckPreviewsTest, ASlotChangedUnderTheRunKeepsItsListAndNoPreviewMovesToAWrongMail) {
    // Never done by the window while a check runs; a fault this guards against.
    recheckWhile("+OK\r\n1 u1\r\n2 u2\r\n3 u3\r\n.\r\n", [](AccountRecord& a) {
        a.mails.setUid(1, "other\r\n");
        a.mails.setBodyPreview(1, "preview of other");
    });

    const AccountRecord& a = accounts[0];
    ASSERT_EQ(a.mailCount, 3);
    const char* uids[] = {"u1\r\n", "other\r\n", "u3\r\n"};
    const char* previews[] = {"preview of u1", "preview of other", "preview of u3"};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(a.mails.uid(i), uids[i]) << i;
        EXPECT_EQ(a.mails.bodyPreview(i), previews[i]) << i;
    }
}

TEST_F(RecheckPreviewsTest, AReadMarkChangedWhileTheRunWaitsFollowsItsMailIntoTheNewList) {
    // The server now lists u3 first and u1 twice; u2 is gone. u3 was read at
    // the last check; while the run waits, the mail list's boxes mark u1 read
    // and u3 unread again.
    recheckWhile(
        "+OK\r\n1 u3\r\n2 u1\r\n3 u1\r\n.\r\n",
        [](AccountRecord& a) {
            a.mails[0].read = 1;
            a.mails[2].read = 0;
        },
        [](AccountRecord& a) { a.mails[2].read = 1; });

    const AccountRecord& a = accounts[0];
    EXPECT_EQ(a.errorFlag, 0) << a.errorText;
    ASSERT_EQ(a.mailCount, 3);
    const char* uids[] = {"u3\r\n", "u1\r\n", "u1\r\n"};
    const std::uint8_t marks[] = {0, 1, 1};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(a.mails.uid(i), uids[i]) << i;
        EXPECT_EQ(a.mails[i].read, marks[i]) << i;
    }
}

TEST_F(RecheckPreviewsTest, AnUnchangedImapBoxKeepsTheReadMarksTheUserSetWhileTheRunWaits) {
    unchangedImapRecheckWhile([](AccountRecord& a) {
        a.mails[1].read = 1;
        a.mails[2].read = 1;
    });

    const AccountRecord& a = accounts[0];
    EXPECT_EQ(a.errorFlag, 0) << a.errorText;
    EXPECT_EQ(a.checked, 1);
    ASSERT_EQ(a.mailCount, 3);
    const std::uint8_t marks[] = {0, 1, 1};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(a.mails.uid(i), "u" + std::to_string(i + 1) + "\r\n") << i;
        EXPECT_EQ(a.mails.bodyPreview(i), "preview of u" + std::to_string(i + 1)) << i;
        EXPECT_EQ(a.mails[i].read, marks[i]) << i;
    }
}

TEST_F(RecheckPreviewsTest, AnImapListThatLostMailsUnderAnUnchangedCheckIsNotTakenForChecked) {
    // Never done by the window while a check runs; a fault this guards against.
    unchangedImapRecheckWhile([](AccountRecord& a) { a.mailCount = 1; });

    const AccountRecord& a = accounts[0];
    EXPECT_EQ(a.mailCount, 1) << "the list as the slot has it";
    EXPECT_EQ(a.mails.bodyPreview(0), "preview of u1");
    EXPECT_EQ(a.checked, 0) << "the run's outcome is not committed";
}

} // namespace
} // namespace ombrix::test
