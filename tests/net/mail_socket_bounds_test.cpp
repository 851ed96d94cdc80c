// Every wait of a connection ends: a connect (TCP and TLS together) and each
// send give up at the connect's time-out, an abort ends a blocked send, and a
// send that failed ends the stream so that the reply's wait does not follow.
// The time-outs are short; nothing here measures how long a call took.

#include "net/mail_socket.h"
#include "net/socket_test_support.h"
#include "net/stalled_peer.h"
#include "support/loopback_server.h"
#include "support/protocol_log_notes.h"
#include "support/temp_dir.h"

#include <chrono>
#include <future>
#include <memory>

namespace ombrix::test {
namespace {

using namespace std::chrono_literals;

constexpr std::uint32_t kShortWaitMs = 300;
constexpr std::uint32_t kEndlessWaitMs =
    600000; // only an abort or the stream's end can end the wait
// Far more than the socket buffers of both ends hold on the loopback interface.
const std::string kFlood(32u << 20, 'x');

// The count of receives that ran out of time tells whether a line reply ended
// by the stream's end instead.
class BoundedWaitTest : public TlsSocketTest {};

TEST_F(BoundedWaitTest, ConnectThatGetsNoAnswerFailsAtTheTimeOutWithItsReason) {
    ScopedEnv trust("SSL_CERT_FILE", pki.caFile.string());
    {
        SCOPED_TRACE("TLS server that accepts and never answers the hand-shake");
        LoopbackServer server(Script().silent(), pki);
        EXPECT_FALSE(socket.ConnectPop3("127.0.0.1", true, server.port(), kShortWaitMs));
        EXPECT_EQ(socket.lastFailureReason(), "TLS hand-shake timed out");
        EXPECT_TRUE(server.waitForConnections(1));
    }
    {
        SCOPED_TRACE("TLS listener that never accepts");
        StalledPeer peer;
        EXPECT_FALSE(socket.ConnectImap("127.0.0.1", true, peer.port(), kShortWaitMs));
        EXPECT_EQ(socket.lastFailureReason(), "TLS hand-shake timed out");
    }
    {
        SCOPED_TRACE("listener whose accept queue is full: the TCP connect is never answered");
        StalledPeer peer(0);
        ASSERT_TRUE(peer.fillAcceptQueue(1));
        EXPECT_FALSE(socket.ConnectPop3("127.0.0.1", false, peer.port(), kShortWaitMs));
        EXPECT_EQ(socket.lastFailureReason(), "connection timed out");
    }
    EXPECT_TRUE(boxes.texts().empty());
}

TEST_F(BoundedWaitTest, SendToAPeerThatStopsReadingFailsAndEndsTheStream) {
    ScopedEnv trust("SSL_CERT_FILE", pki.caFile.string());
    for (bool tls : {false, true}) {
        SCOPED_TRACE(tls ? "TLS" : "plain");
        // The server greets, then neither reads nor writes again.
        const Script greetThenStall = Script().sendLine("+OK").pause(10min);
        auto server = tls ? std::make_unique<LoopbackServer>(greetThenStall, pki)
                          : std::make_unique<LoopbackServer>(greetThenStall);
        ASSERT_TRUE(socket.ConnectPop3("127.0.0.1", tls, server->port(), kShortWaitMs));
        EXPECT_EQ(lineReply(kEndlessWaitMs), "+OK\r\n");
        EXPECT_FALSE(socket.SendLine(kFlood));
        const ProtocolLogFile log;
        EXPECT_EQ(lineReply(kEndlessWaitMs), "");
        EXPECT_EQ(log.notes(kReceiveTimeoutNote), 0) << "the reply's wait must end with the stream";
        EXPECT_FALSE(socket.SendLine("QUIT\r\n"));
        socket.Close();
    }
}

TEST_F(BoundedWaitTest, AbortEndsASendThatWaitsForThePeer) {
    StalledPeer peer;
    ASSERT_TRUE(socket.ConnectPop3("127.0.0.1", false, peer.port(), kEndlessWaitMs));
    auto pending = std::async(std::launch::async, [&] { return socket.SendLine(kFlood); });
    abortFlag = 1; // before or after the buffers are full: the send must give up either way
    ASSERT_EQ(pending.wait_for(60s), std::future_status::ready);
    EXPECT_FALSE(pending.get());
}

TEST_F(BoundedWaitTest, AbortEndsAConnectThatWaitsForTheHandshake) {
    StalledPeer peer;
    auto pending = std::async(std::launch::async, [&] {
        return socket.ConnectPop3("127.0.0.1", true, peer.port(), kEndlessWaitMs);
    });
    abortFlag = 1;
    ASSERT_EQ(pending.wait_for(60s), std::future_status::ready);
    EXPECT_FALSE(pending.get());
    EXPECT_EQ(socket.lastFailureReason(), "aborted");
}

} // namespace
} // namespace ombrix::test
