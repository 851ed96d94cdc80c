#include "net/mail_socket.h"
#include "net/reply_scanner.h"
#include "net/socket_test_support.h"
#include "support/loopback_server.h"
#include "support/temp_dir.h"

#include <array>
#include <chrono>
#include <future>
#include <sys/stat.h>

namespace ombrix::test {
namespace {

using namespace std::chrono_literals;

std::string lines(int count) {
    std::string text;
    for (int i = 1; i <= count; ++i) {
        text += "line " + std::to_string(i) + "\r\n";
    }
    return text;
}

class MailSocketTest : public SocketTest {
protected:
    std::string pop3Reply(std::uint32_t timeoutMs, std::uint32_t expectedSize, bool singleLine,
                          bool dotList, std::size_t capacity = 200000) {
        return reply(
            [&](std::span<char> dest) {
                return socket.ReceiveReply(dest, timeoutMs, expectedSize, singleLine, dotList);
            },
            capacity);
    }
    std::string imapReply(bool tagged) {
        return reply(
            [&](std::span<char> dest) { return socket.ReceiveTagged(dest, 5000, 400, tagged); });
    }
    CMailSocket socket{abortFlag};
};

TEST_F(MailSocketTest, OneLineReplySplitAfterItsCrEndsTheReply) {
    LoopbackServer server(Script().send("+OK ready\r").pause(50ms).send("\n").sendLine("+OK late"));
    ASSERT_TRUE(socket.ConnectPop3(server.host(), false, server.port()));
    EXPECT_EQ(pop3Reply(5000, 200, true, false), "+OK ready\r\n");
    EXPECT_TRUE(socket.lastReceiveComplete());
    EXPECT_EQ(pop3Reply(5000, 200, true, false), "+OK late\r\n");
    EXPECT_TRUE(server.waitUntilDone());
}

TEST_F(MailSocketTest, TopReplyEndsAtTheTerminatorAfterHundredBodyLines) {
    std::string header = "From: x@y.example\r\nSubject: long\r\n\r\n";
    auto sizeOf120 = static_cast<std::uint32_t>((header + lines(120)).size());
    std::string top = "+OK\r\n" + header + lines(40) + "..dotted\r\n" + lines(59) + ".\r\n";
    LoopbackServer server(Script().expect("TOP 1 100").send(top).sendLine("+OK next").silent());
    ASSERT_TRUE(socket.ConnectPop3(server.host(), false, server.port()));
    socket.SendLine("TOP 1 100\r\n");
    std::string expected = "+OK\r\n" + header + lines(40) + ".dotted\r\n" + lines(59) + ".\r\n";
    EXPECT_EQ(pop3Reply(5000, sizeOf120, false, false), expected);
    EXPECT_EQ(pop3Reply(5000, 200, true, false), "+OK next\r\n");
}

TEST_F(MailSocketTest, ShortMailEndsByItsSize) {
    std::string mail = "Subject: short\r\n\r\n" + lines(10);
    std::string top = "+OK\r\n" + mail + ".\r\n";
    LoopbackServer server(Script().send(top).sendLine("+OK next").silent());
    ASSERT_TRUE(socket.ConnectPop3(server.host(), false, server.port()));
    EXPECT_EQ(pop3Reply(5000, static_cast<std::uint32_t>(mail.size()), false, false), top);
    EXPECT_EQ(pop3Reply(5000, 200, true, false), "+OK next\r\n");
}

TEST_F(MailSocketTest, ReplyLongerThanTheCallersBufferIsCutNotOverrun) {
    std::string listing = "+OK\r\n" + lines(300) + ".\r\n";
    LoopbackServer server(Script().send(listing).sendLine("+OK next").silent());
    ASSERT_TRUE(socket.ConnectPop3(server.host(), false, server.port()));
    std::string buffer(1000, '#');
    std::uint32_t stored =
        socket.ReceiveReply(std::span<char>(buffer).first(600), 5000, 300000, false, true);
    EXPECT_EQ(stored, 600u);
    EXPECT_EQ(buffer.substr(0, 600), listing.substr(0, 600));
    EXPECT_EQ(buffer.substr(600), std::string(400, '#')) << "written past the caller's capacity";
    EXPECT_EQ(pop3Reply(5000, 200, true, false), "+OK next\r\n")
        << "the cut reply must still end at its terminator";
}

TEST_F(MailSocketTest, ListingOfAnyLengthReachesItsReaderInFullAndInOrder) {
    std::string listing = "+OK\r\n" + lines(40000) + ".\r\n"; // far beyond any reply buffer
    LoopbackServer server(Script()
                              .expect("UIDL")
                              .send(listing.substr(0, 7))
                              .pause(20ms)
                              .send(listing.substr(7))
                              .sendLine("+OK next")
                              .expect("UIDL")
                              .send("+OK\r\n1 a\r\n")
                              .silent());
    ASSERT_TRUE(socket.ConnectPop3(server.host(), false, server.port()));
    std::string got;
    const auto collect = [&got](std::string_view bytes) { got += bytes; };
    socket.SendLine("UIDL\r\n");
    EXPECT_TRUE(socket.ReceiveListing(5000, collect));
    EXPECT_EQ(got, listing);
    EXPECT_EQ(pop3Reply(5000, 200, true, false), "+OK next\r\n") << "nothing left in the stream";

    got.clear();
    socket.SendLine("UIDL\r\n");
    EXPECT_FALSE(socket.ReceiveListing(300, collect)) << "a listing without its terminator";
    EXPECT_FALSE(socket.lastReceiveComplete());
}

TEST_F(MailSocketTest, ImapTagsCountFromA000AndCompletionsEndTheirReplies) {
    Script script;
    script.sendLine("* OK IMAP ready");
    for (int i = 0; i <= 100; ++i) {
        std::string tag = imapTag(i);
        script.expect(tag + " NOOP")
            .send(tag.substr(0, 2))
            .pause(i % 25 == 0 ? 20ms : 0ms)
            .send(tag.substr(2) + " OK NOOP done\r\n");
    }
    LoopbackServer server(script);
    ASSERT_TRUE(socket.ConnectImap(server.host(), false, server.port()));
    EXPECT_EQ(imapReply(false), "* OK IMAP ready\r\n");
    for (int i = 0; i <= 100; ++i) {
        socket.SendTagged("NOOP\r\n");
        ASSERT_EQ(imapReply(true), imapTag(i) + " OK NOOP done\r\n") << "command " << i;
    }
    EXPECT_FALSE(socket.lastReplyRefused());
    ASSERT_TRUE(server.waitUntilDone());
    std::vector<std::string> sent = server.received();
    EXPECT_EQ(sent.at(0), "a000 NOOP");
    EXPECT_EQ(sent.at(10), "a010 NOOP");
    EXPECT_EQ(sent.at(100), "a100 NOOP");
}

TEST_F(MailSocketTest, ImapNoAndBadAreReportedAsRefusals) {
    for (const char* verdict : {"NO", "BAD"}) {
        LoopbackServer server(Script()
                                  .sendLine("* OK ready")
                                  .expect("a000 LOGIN bob secret")
                                  .send("a000 ")
                                  .pause(30ms)
                                  .send(std::string(verdict) + " denied\r\n"));
        ASSERT_TRUE(socket.ConnectImap(server.host(), false, server.port()));
        imapReply(false);
        socket.SendTagged("LOGIN bob secret\r\n");
        EXPECT_EQ(imapReply(true), std::string("a000 ") + verdict + " denied\r\n");
        EXPECT_TRUE(socket.lastReplyRefused()) << verdict;
        EXPECT_EQ(socket.lastCommand(), "a000 LOGIN bob secret\r\n");
        socket.Close();
    }
}

// A server may answer several commands in one packet; each reply must still
// reach its own receive, whatever the chunk boundaries.
TEST_F(MailSocketTest, RepliesSentInOnePacketReachTheirOwnReceives) {
    const std::string top = "+OK\r\nSubject: a\r\n\r\nbody\r\n.\r\n";
    LoopbackServer pop3(Script().send("+OK ready\r\n+OK 2 300\r\n" + top + "-ERR no\r\n").silent());
    ASSERT_TRUE(socket.ConnectPop3(pop3.host(), false, pop3.port()));
    EXPECT_EQ(pop3Reply(5000, 200, true, false), "+OK ready\r\n");
    EXPECT_EQ(pop3Reply(5000, 200, true, false), "+OK 2 300\r\n");
    EXPECT_EQ(pop3Reply(5000, 400, false, false), top);
    EXPECT_EQ(pop3Reply(5000, 200, true, false), "-ERR no\r\n");
    EXPECT_TRUE(socket.lastReceiveComplete());
    socket.Close();

    LoopbackServer imap(Script()
                            .sendLine("* OK ready")
                            .expect("a000 NOOP")
                            .send("a000 OK done\r\n* 3 EXISTS\r\n* 1 FETCH {5}\r\na001 \r\n)\r\n"
                                  "a001 NO later\r\n")
                            .silent());
    ASSERT_TRUE(socket.ConnectImap(imap.host(), false, imap.port()));
    imapReply(false);
    socket.SendTagged("NOOP\r\n");
    EXPECT_EQ(imapReply(true), "a000 OK done\r\n");
    EXPECT_FALSE(socket.lastReplyRefused());
    socket.SendTagged("NOOP\r\n");
    EXPECT_EQ(imapReply(true), "* 3 EXISTS\r\n* 1 FETCH {5}\r\na001 \r\n)\r\na001 NO later\r\n")
        << "untagged data behind a completion belongs to the next reply";
    EXPECT_TRUE(socket.lastReplyRefused());
}

TEST_F(MailSocketTest, AbortEndsAPendingReceiveLongBeforeItsTimeOut) {
    LoopbackServer server(Script().expect("STAT").send("+OK partial").silent());
    ASSERT_TRUE(socket.ConnectPop3(server.host(), false, server.port()));
    auto pending = std::async(std::launch::async, [&] {
        socket.SendLine("STAT\r\n");
        return pop3Reply(600000, 200, true, false);
    });
    ASSERT_TRUE(server.waitUntilReached(2)); // the server has answered and fallen silent
    abortFlag = 1;
    // Only the abort can end this receive in time: its own time-out is ten minutes away.
    // How fast the abort acts is measured by the benchmarks, not here.
    ASSERT_EQ(pending.wait_for(60s), std::future_status::ready);
    std::string got = pending.get();
    EXPECT_TRUE(got.empty() || got == "+OK partial") << got;
}

TEST_F(MailSocketTest, ReceiveTimesOutWithWhatHasArrived) {
    LoopbackServer server(Script().send("+OK no line end").silent());
    ASSERT_TRUE(socket.ConnectPop3(server.host(), false, server.port()));
    // The bytes are sent before the short receive starts, so only its time-out can end it.
    ASSERT_TRUE(server.waitUntilReached(1));
    EXPECT_EQ(pop3Reply(300, 200, true, false), "+OK no line end");
    EXPECT_FALSE(socket.lastReceiveComplete()) << "a line without its end is no reply";
}

TEST_F(MailSocketTest, ClosedStreamEndsTheReceiveWithWhatArrived) {
    LoopbackServer server(Script().send("+OK bye").close());
    ASSERT_TRUE(socket.ConnectPop3(server.host(), false, server.port()));
    EXPECT_EQ(pop3Reply(60000, 200, true, false), "+OK bye");
    EXPECT_FALSE(socket.lastReceiveComplete());
}

TEST_F(MailSocketTest, UnknownHostFailsWithoutAMessageBox) {
    EXPECT_FALSE(socket.ConnectPop3("no-such-host.invalid", false, "110"));
    EXPECT_EQ(socket.lastFailureReason(), "host not found");
    EXPECT_TRUE(boxes.texts().empty());
}

TEST_F(MailSocketTest, RefusedConnectionFailsTheConnect) {
    std::string freePort;
    {
        LoopbackServer closed(Script{});
        freePort = closed.port();
    }
    EXPECT_FALSE(socket.ConnectPop3("127.0.0.1", false, freePort));
    EXPECT_FALSE(socket.lastFailureReason().empty());
}

TEST_F(MailSocketTest, ReconnectOpensAFreshConnection) {
    LoopbackServer server(Script()
                              .sendLine("+OK first")
                              .expect("QUIT")
                              .close()
                              .sendLine("+OK second")
                              .expect("QUIT"));
    for (const char* greeting : {"+OK first\r\n", "+OK second\r\n"}) {
        ASSERT_TRUE(socket.ConnectPop3("localhost", false, server.port()));
        EXPECT_EQ(pop3Reply(5000, 200, true, false), greeting);
        socket.SendLine("QUIT\r\n");
        socket.Close();
    }
    EXPECT_TRUE(server.waitUntilDone());
    EXPECT_EQ(server.connections(), 2);
}

TEST_F(MailSocketTest, ScriptFileDrivesADialogue) {
    auto fixture = std::filesystem::path(std::getenv("OMBRIX_SOURCE_DIR")) /
                   "tests/fixtures/net/pop3_uidl.script";
    LoopbackServer server(Script::load(fixture));
    ASSERT_TRUE(socket.ConnectPop3(server.host(), false, server.port()));
    EXPECT_EQ(pop3Reply(5000, 200, true, false), "+OK POP3 ready\r\n");
    socket.SendLine("UIDL\r\n");
    EXPECT_EQ(pop3Reply(5000, 300000, false, true), "+OK\r\n1 uid-one\r\n2 uid-two\r\n.\r\n");
    socket.Close(); // ends the server's closing silence
    EXPECT_TRUE(server.waitUntilDone());
}

TEST_F(MailSocketTest, ProtocolLogMasksPasswords) {
    TempDir dir;
    ScopedEnv log("OMBRIX_PROTOCOL_LOG", (dir / "transcript.txt").string());
    LoopbackServer server(Script()
                              .sendLine("* OK ready")
                              .expect("a000 LOGIN bob s3cret")
                              .sendLine("a000 OK")
                              .close()
                              .sendLine("+OK")
                              .expect("PASS s3cret")
                              .sendLine("+OK"));
    ASSERT_TRUE(socket.ConnectImap(server.host(), false, server.port()));
    imapReply(false);
    socket.SendTagged("LOGIN bob s3cret\r\n");
    imapReply(true);
    socket.Close();
    ASSERT_TRUE(socket.ConnectPop3(server.host(), false, server.port()));
    pop3Reply(5000, 200, true, false);
    socket.SendLine("PASS s3cret\r\n");
    pop3Reply(5000, 200, true, false);
    std::string transcript = readBytes(dir / "transcript.txt");
    EXPECT_EQ(transcript.find("s3cret"), std::string::npos) << transcript;
    EXPECT_NE(transcript.find("C: a000 LOGIN ****"), std::string::npos) << transcript;
    EXPECT_NE(transcript.find("C: PASS ****"), std::string::npos) << transcript;
    EXPECT_NE(transcript.find("S: * OK ready"), std::string::npos) << transcript;
}

TEST_F(MailSocketTest, ProtocolLogMasksSaslResponses) {
    TempDir dir;
    ScopedEnv log("OMBRIX_PROTOCOL_LOG", (dir / "transcript.txt").string());
    LoopbackServer server(Script()
                              .sendLine("* OK ready")
                              .expect("a000 AUTHENTICATE XOAUTH2 dG9rZW4tb25l")
                              .sendLine("+ eyJzdGF0dXMiOiI0MDEifQ==")
                              .expect("")
                              .sendLine("a000 NO failed")
                              .expect("a001 AUTHENTICATE OAUTHBEARER")
                              .sendLine("+ ")
                              .expect("dG9rZW4tdHdv")
                              .sendLine("a001 OK")
                              .close()
                              .sendLine("+OK")
                              .expect("AUTH XOAUTH2 dG9rZW4tdGhyZWU=")
                              .sendLine("+OK"));
    ASSERT_TRUE(socket.ConnectImap(server.host(), false, server.port()));
    imapReply(false);
    socket.SendTagged("AUTHENTICATE XOAUTH2 dG9rZW4tb25l\r\n");
    std::array<char, 200> buffer{};
    socket.ReceiveContinuable(buffer, 5000);
    EXPECT_TRUE(socket.lastReplyContinued());
    socket.SendLine("\r\n");
    imapReply(true);
    EXPECT_TRUE(socket.lastReplyRefused());
    EXPECT_FALSE(socket.lastReplyContinued());
    socket.SendTagged("AUTHENTICATE OAUTHBEARER\r\n");
    socket.ReceiveContinuable(buffer, 5000);
    EXPECT_TRUE(socket.lastReplyContinued());
    socket.SendCredentialLine("dG9rZW4tdHdv\r\n");
    socket.ReceiveContinuable(buffer, 5000);
    EXPECT_FALSE(socket.lastReplyContinued());
    EXPECT_FALSE(socket.lastReplyRefused());
    socket.Close();
    ASSERT_TRUE(socket.ConnectPop3(server.host(), false, server.port()));
    pop3Reply(5000, 200, true, false);
    socket.SendLine("AUTH XOAUTH2 dG9rZW4tdGhyZWU=\r\n");
    pop3Reply(5000, 200, true, false);
    EXPECT_TRUE(server.waitUntilDone());

    const std::string transcript = readBytes(dir / "transcript.txt");
    for (const char* secret : {"dG9rZW4tb25l", "dG9rZW4tdHdv", "dG9rZW4tdGhyZWU="})
        EXPECT_EQ(transcript.find(secret), std::string::npos) << transcript;
    EXPECT_NE(transcript.find("C: a000 AUTHENTICATE XOAUTH2 ****"), std::string::npos)
        << transcript;
    EXPECT_NE(transcript.find("C: a001 AUTHENTICATE OAUTHBEARER\r\n"), std::string::npos)
        << transcript;
    EXPECT_NE(transcript.find("C: AUTH XOAUTH2 ****"), std::string::npos) << transcript;
    EXPECT_NE(transcript.find("C: ****"), std::string::npos) << transcript;
}

TEST_F(MailSocketTest, ProtocolLogIsReadableByItsOwnerOnly) {
    TempDir dir;
    const std::filesystem::path path = dir / "transcript.txt";
    ScopedEnv log("OMBRIX_PROTOCOL_LOG", path.string());
    const mode_t oldMask = ::umask(022); // the usual mask would leave the file world-readable
    LoopbackServer server(Script().sendLine("+OK").expect("USER bob").sendLine("+OK"));
    ASSERT_TRUE(socket.ConnectPop3(server.host(), false, server.port()));
    pop3Reply(5000, 200, true, false);
    socket.SendLine("USER bob\r\n");
    pop3Reply(5000, 200, true, false);
    ::umask(oldMask);
    struct stat status {};
    ASSERT_EQ(::stat(path.c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777, 0600u);
}

} // namespace
} // namespace ombrix::test
