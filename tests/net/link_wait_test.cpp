// How a connection waits for a reply: a reply that stops half-way is
// acknowledged before the wait for its rest (a server that holds the rest back
// until then, as Nagle does, would otherwise wait for the delayed
// acknowledgement), and whole replies never cost an acknowledgement of their
// own. Any wait, plain or TLS, ends with an abort or a cancel from another
// thread although no time-out would end it.

#include "net/host_lookup.h"
#include "net/link.h"
#include "net/mail_socket.h"
#include "net/socket_test_support.h"
#include "support/loopback_server.h"
#include "support/protocol_log_notes.h"
#include "support/temp_dir.h"

#include <arpa/inet.h>
#include <chrono>
#include <future>
#include <memory>
#include <netinet/in.h>

namespace ombrix::test {
namespace {

using namespace std::chrono_literals;

constexpr std::uint32_t kShortMs = 300;
constexpr std::uint32_t kNeverMs = 600000; // only an abort or a cancel can end the wait

class LinkWaitTest : public TlsSocketTest {
protected:
    std::unique_ptr<LoopbackServer> serve(Script script, bool tls) {
        return tls ? std::make_unique<LoopbackServer>(std::move(script), pki)
                   : std::make_unique<LoopbackServer>(std::move(script));
    }
};

TEST_F(LinkWaitTest, OnlyAReplyThatStopsHalfWayIsAcknowledgedBeforeItsWait) {
    ScopedEnv trust("SSL_CERT_FILE", pki.caFile.string());
    for (bool tls : {false, true}) {
        SCOPED_TRACE(tls ? "TLS" : "plain");
        // The rest of the STAT reply comes only once the test releases it.
        auto server = serve(Script()
                                .sendLine("+OK ready")
                                .expect("STAT")
                                .send("+OK 2 ")
                                .hold()
                                .send("340\r\n")
                                .expect("NOOP")
                                .sendLine("+OK"),
                            tls);
        const ProtocolLogFile log;
        const auto earlyAcknowledgements = [&log] { return log.notes(kEarlyAcknowledgementNote); };
        ASSERT_TRUE(socket.ConnectPop3(server->host(), tls, server->port()))
            << socket.lastFailureReason();
        const int before = earlyAcknowledgements();
        EXPECT_EQ(lineReply(kNeverMs), "+OK ready\r\n");
        EXPECT_EQ(earlyAcknowledgements(), before) << "a whole reply waits for our next command";

        ASSERT_TRUE(socket.SendLine("STAT\r\n"));
        // Held: the receive takes the first piece, finds nothing more and
        // waits until its short time-out.
        EXPECT_EQ(lineReply(kShortMs), "+OK 2 ");
        EXPECT_FALSE(socket.lastReceiveComplete());
        EXPECT_EQ(earlyAcknowledgements(), before + 1) << "the first piece before the wait";

        server->release();
        EXPECT_EQ(lineReply(kNeverMs), "340\r\n");
        ASSERT_TRUE(socket.SendLine("NOOP\r\n"));
        EXPECT_EQ(lineReply(kNeverMs), "+OK\r\n");
        EXPECT_EQ(earlyAcknowledgements(), before + 1);
        socket.Close();
        EXPECT_TRUE(server->waitUntilDone());
    }
}

TEST_F(LinkWaitTest, AbortEndsAReceiveThatWaitsOnAnIdleStream) {
    ScopedEnv trust("SSL_CERT_FILE", pki.caFile.string());
    for (bool tls : {false, true}) {
        SCOPED_TRACE(tls ? "TLS" : "plain");
        abortFlag = 0;
        auto server = serve(Script().sendLine("+OK ready").expect("STAT").silent(), tls);
        ASSERT_TRUE(socket.ConnectPop3(server->host(), tls, server->port()))
            << socket.lastFailureReason();
        EXPECT_EQ(lineReply(kNeverMs), "+OK ready\r\n");
        auto pending = std::async(std::launch::async, [&] {
            socket.SendLine("STAT\r\n");
            return lineReply(kNeverMs);
        });
        ASSERT_TRUE(server->waitUntilReached(2)); // STAT has come: the server is silent from here
        abortFlag = 1;
        ASSERT_EQ(pending.wait_for(60s), std::future_status::ready);
        EXPECT_EQ(pending.get(), "");
        EXPECT_FALSE(socket.lastReceiveComplete());
        socket.Close();
    }
}

TEST_F(LinkWaitTest, CancelFromAnotherThreadEndsAReadWithoutAnyLimit) {
    ScopedEnv trust("SSL_CERT_FILE", pki.caFile.string());
    for (bool tls : {false, true}) {
        SCOPED_TRACE(tls ? "TLS" : "plain");
        auto server = serve(Script().sendLine("+OK ready").silent(), tls);
        SocketAddress address;
        auto* ipv4 = reinterpret_cast<sockaddr_in*>(&address.bytes);
        ipv4->sin_family = AF_INET;
        ipv4->sin_port = htons(static_cast<std::uint16_t>(std::stoi(server->port())));
        ipv4->sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        address.length = sizeof(sockaddr_in);
        Link link;
        ASSERT_TRUE(link.open({address}, server->host(), tls, {})) << link.failureReason();
        char buffer[64];
        std::string greeting;
        while (greeting.find('\n') == std::string::npos) {
            const ReadResult read = link.readSome(buffer, sizeof buffer, {});
            ASSERT_EQ(read.status, ReadStatus::Data);
            greeting.append(buffer, read.count);
        }
        EXPECT_EQ(greeting, "+OK ready\r\n");
        // No deadline and no stop flag: only the cancel can end this read.
        auto pending = std::async(std::launch::async,
                                  [&] { return link.readSome(buffer, sizeof buffer, {}).status; });
        link.cancel();
        ASSERT_EQ(pending.wait_for(60s), std::future_status::ready);
        EXPECT_EQ(pending.get(), ReadStatus::Ended);
        EXPECT_FALSE(link.writeAll("QUIT\r\n", {})) << "a cancelled link sends nothing more";
    }
}

TEST_F(LinkWaitTest, AnAddressLiteralNeedsNoLookupAndAnAbortStillEndsItsConnect) {
    const auto v4 = addressLiteral("127.0.0.1", 110);
    ASSERT_TRUE(v4.has_value());
    const auto* in = reinterpret_cast<const sockaddr_in*>(&v4->bytes);
    EXPECT_EQ(in->sin_family, AF_INET);
    EXPECT_EQ(ntohs(in->sin_port), 110);
    EXPECT_EQ(ntohl(in->sin_addr.s_addr), INADDR_LOOPBACK);
    const auto v6 = addressLiteral("::1", 993);
    ASSERT_TRUE(v6.has_value());
    EXPECT_EQ(reinterpret_cast<const sockaddr_in6*>(&v6->bytes)->sin6_family, AF_INET6);
    EXPECT_EQ(v6->length, sizeof(sockaddr_in6));
    // Names, and the short forms only the resolver reads, are looked up as before.
    for (const char* name : {"localhost", "127.1", "mail.example.org", ""})
        EXPECT_FALSE(addressLiteral(name, 110).has_value()) << name;

    LoopbackServer server(Script().sendLine("+OK ready"));
    abortFlag = 1;
    EXPECT_FALSE(socket.ConnectPop3("127.0.0.1", false, server.port()));
    EXPECT_EQ(socket.lastFailureReason(), "aborted");
    abortFlag = 0;
    ASSERT_TRUE(socket.ConnectPop3("127.0.0.1", false, server.port()));
    EXPECT_EQ(lineReply(kNeverMs), "+OK ready\r\n");
}

} // namespace
} // namespace ombrix::test
