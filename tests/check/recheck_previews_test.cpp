// A check copies the last list without its previews and gives each mail it
// keeps its own preview back when it commits: in the server's new order, to a
// mail the server lists twice, and for an unchanged box. Should an entry of
// the slot stop holding the mail the run took over, no preview is attached to
// a wrong mail: the run keeps the list as the slot has it. A read mark the user
// changes while the run goes on is the one the committed list keeps.

#include "check_fixture.h"
#include "core/table_lock.h"

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
            a.bodyPreview[i] = "preview of u" + std::to_string(i + 1);
        }
        a.mailCount = 3;
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
        EXPECT_EQ(a.uid[i], uids[i]) << i;
        EXPECT_EQ(a.bodyPreview[i], previews[i]) << i;
    }
    EXPECT_EQ(a.subject[0], kMailC.subject);
    EXPECT_EQ(a.subject[2], kMailA.subject);
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
        EXPECT_EQ(a.uid[i], "u" + std::to_string(i + 1) + "\r\n") << i;
        EXPECT_EQ(a.bodyPreview[i], "preview of u" + std::to_string(i + 1)) << i;
    }
}

TEST_F(RecheckPreviewsTest, ASlotChangedUnderTheRunKeepsItsListAndNoPreviewMovesToAWrongMail) {
    Script s;
    pop3Login(s); // steps 0 to 4
    s.expect("STAT").sendLine("+OK 3 900");
    s.expect("UIDL").send("+OK\r\n1 u1\r\n2 u2\r\n3 u3\r\n.\r\n");
    s.expect("QUIT").hold().sendLine("+OK bye"); // step 10: the run waits for the farewell
    LoopbackServer server(s);
    AccountRecord& a = account(0, server);
    storeLastList(a);

    std::thread run([this] { runCheck(); });
    ASSERT_TRUE(server.waitUntilReached(10));
    {
        // Never done by the window while a check runs; a fault this guards against.
        const TableAccess access;
        a.uid[1] = "other\r\n";
        a.bodyPreview[1] = "preview of other";
    }
    server.release();
    run.join();

    EXPECT_TRUE(server.waitUntilDone());
    ASSERT_EQ(a.mailCount, 3);
    const char* uids[] = {"u1\r\n", "other\r\n", "u3\r\n"};
    const char* previews[] = {"preview of u1", "preview of other", "preview of u3"};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(a.uid[i], uids[i]) << i;
        EXPECT_EQ(a.bodyPreview[i], previews[i]) << i;
    }
}

TEST_F(RecheckPreviewsTest, AReadMarkChangedWhileTheRunWaitsFollowsItsMailIntoTheNewList) {
    // The server now lists u3 first and u1 twice; u2 is gone.
    Script s;
    pop3Login(s); // steps 0 to 4
    s.expect("STAT").sendLine("+OK 3 900");
    s.expect("UIDL").send("+OK\r\n1 u3\r\n2 u1\r\n3 u1\r\n.\r\n");
    s.expect("QUIT").hold().sendLine("+OK bye"); // step 10: the run waits for the farewell
    LoopbackServer server(s);
    AccountRecord& a = account(0, server);
    storeLastList(a);
    a.read[2] = 1; // u3 was read at the last check

    std::thread run([this] { runCheck(); });
    ASSERT_TRUE(server.waitUntilReached(10));
    {
        // What the mail list's check boxes do while a check runs.
        const TableAccess access;
        a.read[0] = 1; // u1 marked read
        a.read[2] = 0; // u3 marked unread again
    }
    server.release();
    run.join();

    EXPECT_TRUE(server.waitUntilDone());
    EXPECT_EQ(a.errorFlag, 0) << a.errorText;
    ASSERT_EQ(a.mailCount, 3);
    const char* uids[] = {"u3\r\n", "u1\r\n", "u1\r\n"};
    const std::uint8_t marks[] = {0, 1, 1};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(a.uid[i], uids[i]) << i;
        EXPECT_EQ(a.read[i], marks[i]) << i;
    }
}

} // namespace
} // namespace ombrix::test
