// The POP3 check where the server lists PIPELINING: one LIST for every size,
// the TOP commands sent ahead of their replies, no NOOP between them; and the
// one-mail dialogue where it does not. (A first check of fewer mails sends no
// CAPA: the scripts of pop3_dialogue_test.cpp hold that.)

#include "check_fixture.h"

#include <gmock/gmock.h>

namespace ombrix::test {
namespace {

using ::testing::HasSubstr;

const CannedMail* const kFour[] = {&kMailA, &kMailB, &kMailC, &kMailD};

std::string topReply(const CannedMail& mail) {
    return "+OK\r\n" + mail.text() + ".\r\n";
}

class Pop3PipeliningTest : public CheckRunTest {
protected:
    // Login, STAT and UIDL of four unknown mails.
    static Script upToTheMails() {
        Script s;
        pop3Login(s);
        s.expect("STAT").sendLine("+OK 4 4000");
        s.expect("UIDL").send("+OK\r\n1 u1\r\n2 u2\r\n3 u3\r\n4 u4\r\n.\r\n");
        return s;
    }

    static std::string sizeListing() {
        std::string listing = "+OK 4 messages\r\n";
        for (int n = 1; n <= 4; ++n)
            listing += std::to_string(n) + " " + std::to_string(n * 111) + "\r\n";
        return listing + ".\r\n";
    }

    static void expectFourRows(const AccountRecord& a) {
        ASSERT_EQ(a.mailCount, 4);
        for (int i = 0; i < 4; ++i) {
            EXPECT_EQ(a.mails.subject(i), kFour[i]->subject) << "row " << i;
            EXPECT_EQ(a.mails[i].size, (i + 1) * 111) << "row " << i;
            EXPECT_THAT(a.mails.bodyPreview(i), HasSubstr("Hello there.")) << "row " << i;
        }
    }
};

TEST_F(Pop3PipeliningTest, TopsGoOutAheadOfTheirRepliesWithSizesFromOneList) {
    Script s = upToTheMails();
    s.expect("CAPA").send("+OK\r\nTOP\r\nUIDL\r\npipelining\r\n.\r\n");
    s.expect("LIST").send(sizeListing());
    // All four must arrive before the first reply: a client that waited for
    // each would hang here.
    for (int n = 1; n <= 4; ++n)
        s.expect("TOP " + std::to_string(n) + " 100");
    s.send(topReply(kMailA) + topReply(kMailB) + topReply(kMailC) + topReply(kMailD));
    s.expect("QUIT").sendLine("+OK bye");
    LoopbackServer server(s);
    AccountRecord& a = account(0, server);

    runCheck();

    EXPECT_TRUE(server.waitUntilDone());
    ASSERT_EQ(a.errorFlag, 0) << a.errorText;
    expectFourRows(a);
    EXPECT_EQ(newMailCount, 4);
}

// A server without PIPELINING, or one that lists no sizes, is asked mail by
// mail with a keep-alive between, as ever.
TEST_F(Pop3PipeliningTest, WithoutPipeliningOrAListOfSizesEachMailIsAskedAlone) {
    for (const bool listRefused : {false, true}) {
        SCOPED_TRACE(listRefused ? "LIST refused" : "no PIPELINING");
        resetProcessState();
        windowHidden = 1;
        Script s = upToTheMails();
        if (listRefused) {
            s.expect("CAPA").send("+OK\r\nPIPELINING\r\n.\r\n");
            s.expect("LIST").sendLine("-ERR not now");
        } else {
            s.expect("CAPA").send("+OK\r\nTOP\r\nUIDL\r\n.\r\n");
        }
        for (int n = 1; n <= 4; ++n) {
            const std::string number = std::to_string(n);
            s.expect("LIST " + number).sendLine("+OK " + number + " " + std::to_string(n * 111));
            s.expect("TOP " + number + " 100").send(topReply(*kFour[n - 1]));
            s.expect("NOOP").sendLine("+OK");
        }
        s.expect("QUIT").sendLine("+OK bye");
        LoopbackServer server(s);
        AccountRecord& a = account(0, server);

        runCheck();

        EXPECT_TRUE(server.waitUntilDone());
        ASSERT_EQ(a.errorFlag, 0) << a.errorText;
        expectFourRows(a);
    }
}

TEST_F(Pop3PipeliningTest, ARefusedTopAmongThePipelinedFailsWithTheServersTextAndKeepsTheList) {
    Script s = upToTheMails();
    s.expect("CAPA").send("+OK\r\nPIPELINING\r\n.\r\n");
    s.expect("LIST").send(sizeListing());
    for (int n = 1; n <= 4; ++n)
        s.expect("TOP " + std::to_string(n) + " 100");
    s.send(topReply(kMailA) + "-ERR message 2 is locked\r\n" + topReply(kMailC));
    s.expectClose();
    LoopbackServer server(s);
    AccountRecord& a = account(0, server);
    storeKnown(a, 0, "old\r\n", kMailD, 1);
    a.mailCount = 1;

    runCheck();

    EXPECT_TRUE(server.waitUntilDone());
    EXPECT_EQ(a.errorFlag, 1);
    EXPECT_THAT(a.errorText, HasSubstr("message 2 is locked"));
    ASSERT_EQ(a.mailCount, 1);
    EXPECT_EQ(a.mails.uid(0), "old\r\n");
}

} // namespace
} // namespace ombrix::test
