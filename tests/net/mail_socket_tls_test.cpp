#include "net/mail_socket.h"
#include "net/socket_test_support.h"
#include "support/loopback_server.h"
#include "support/temp_dir.h"

#include <chrono>
#include <future>

namespace ombrix::test {
namespace {

using namespace std::chrono_literals;

class MailSocketTlsTest : public TlsSocketTest {
protected:
    std::string greeting() { return lineReply(5000); }
};

TEST_F(MailSocketTlsTest, TrustedServerCertificateConnectsAndCarriesTheDialogue) {
    ScopedEnv trust("SSL_CERT_FILE", pki.caFile.string());
    LoopbackServer server(Script()
                              .sendLine("+OK secure")
                              .expect("USER bob")
                              .sendLine("+OK")
                              .close()
                              .sendLine("+OK by address")
                              .expect("USER bob")
                              .sendLine("+OK"),
                          pki);
    // By name (SNI and a DNS name check) and by address (an IP check).
    for (const char* host : {"localhost", "127.0.0.1"}) {
        SCOPED_TRACE(host);
        ASSERT_TRUE(socket.ConnectPop3(host, true, server.port())) << socket.lastFailureReason();
        EXPECT_EQ(socket.lastFailureReason(), "");
        EXPECT_EQ(greeting().substr(0, 4), "+OK ");
        socket.SendLine("USER bob\r\n");
        EXPECT_EQ(greeting(), "+OK\r\n");
        socket.Close();
    }
    EXPECT_TRUE(server.waitUntilDone());
    EXPECT_EQ(server.tlsFailures(), 0);
}

TEST_F(MailSocketTlsTest, UntrustedOrMisnamedCertificateFailsTheConnectWithAReason) {
    TempDir otherDir;
    TestCertificates otherCa = makeTestCertificates(otherDir.path());
    TempDir misnamedDir;
    TestCertificates misnamed = makeTestCertificates(misnamedDir.path(), "DNS:mail.example.test");
    struct Row {
        const char* name;
        const TestCertificates& served;
        const std::filesystem::path& trusted;
        const char* reasonPart;
    };
    const Row rows[] = {
        {"CA not trusted", pki, otherCa.caFile, "certificate"},
        {"host name not in the certificate", misnamed, misnamed.caFile, "mismatch"},
    };
    for (const Row& row : rows) {
        ScopedEnv trust("SSL_CERT_FILE", row.trusted.string());
        LoopbackServer server(Script().sendLine("+OK never seen"), row.served);
        EXPECT_FALSE(socket.ConnectPop3("localhost", true, server.port())) << row.name;
        EXPECT_NE(socket.lastFailureReason().find(row.reasonPart), std::string::npos)
            << row.name << ": " << socket.lastFailureReason();
        EXPECT_TRUE(server.waitUntilDone()) << row.name;
        EXPECT_EQ(server.tlsFailures(), 1) << row.name;
        EXPECT_TRUE(boxes.texts().empty()) << row.name;
    }
}

// The trusted authorities are read once for many connections; a CA file
// replaced under the same name still counts from the next connect on.
TEST_F(MailSocketTlsTest, ACaFileRewrittenInPlaceCountsFromTheNextConnect) {
    TempDir otherDir;
    TestCertificates otherCa = makeTestCertificates(otherDir.path());
    TempDir trustDir;
    const std::filesystem::path trusted = trustDir / "trusted.pem";
    ScopedEnv trust("SSL_CERT_FILE", trusted.string());
    for (const bool servedCaTrusted : {false, true, false, true}) {
        SCOPED_TRACE(servedCaTrusted ? "the server's CA in the file" : "another CA in the file");
        writeBytes(trusted, readBytes(servedCaTrusted ? pki.caFile : otherCa.caFile));
        Script script = Script().sendLine("+OK secure");
        if (servedCaTrusted)
            script.expect("QUIT").sendLine("+OK");
        LoopbackServer server(std::move(script), pki);
        EXPECT_EQ(socket.ConnectPop3("localhost", true, server.port()), servedCaTrusted)
            << socket.lastFailureReason();
        if (servedCaTrusted) {
            EXPECT_EQ(greeting(), "+OK secure\r\n");
            socket.SendLine("QUIT\r\n");
            EXPECT_EQ(greeting(), "+OK\r\n");
        }
        socket.Close();
        EXPECT_TRUE(server.waitUntilDone());
    }
}

TEST_F(MailSocketTlsTest, AbortEndsAConnectThatHangsInTheHandshake) {
    ScopedEnv trust("SSL_CERT_FILE", pki.caFile.string());
    LoopbackServer server(Script().silent(), pki); // accepts, never answers the hand-shake
    auto pending = std::async(std::launch::async, [&] {
        return socket.ConnectPop3("127.0.0.1", true, server.port(), 600000);
    });
    ASSERT_TRUE(server.waitForConnections(1));
    abortFlag = 1;
    // A failure guard, not a speed check: the abort is what ends the hand-shake.
    ASSERT_EQ(pending.wait_for(60s), std::future_status::ready);
    EXPECT_FALSE(pending.get());
    EXPECT_TRUE(server.waitUntilDone()) << "the abandoned hand-shake must be cut short";
}

} // namespace
} // namespace ombrix::test
