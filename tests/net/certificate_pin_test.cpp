// Certificates that do not verify: refused before a byte of the dialogue, with
// the facts the user needs to decide, and accepted once pinned, but only while
// the server presents exactly the pinned one.

#include "net/certificate_facts.h"
#include "net/certificate_trust.h"
#include "net/mail_socket.h"
#include "net/socket_test_support.h"
#include "support/loopback_server.h"
#include "support/temp_dir.h"

#include <memory>
#include <regex>

namespace ombrix::test {
namespace {

TEST(CertificateFingerprint, IsUpperCaseHexPairsJoinedByColons) {
    const unsigned char digest[] = {0x00, 0x0a, 0xff, 0x3c, 0x9B};
    EXPECT_EQ(fingerprintText(digest), "00:0A:FF:3C:9B");
    EXPECT_EQ(fingerprintText({}), "");

    std::string full;
    for (int i = 0; i < 32; ++i)
        full += std::string(i ? ":" : "") + "a" + std::to_string(i % 10);
    EXPECT_TRUE(isSha256Fingerprint(full)) << "lower-case digits read as well";
    EXPECT_FALSE(isSha256Fingerprint(full.substr(3))) << "31 pairs";
    EXPECT_FALSE(isSha256Fingerprint(full + ":00")) << "33 pairs";
    std::string badDigit = full;
    badDigit[0] = 'g';
    EXPECT_FALSE(isSha256Fingerprint(badDigit));
    std::string badSeparator = full;
    badSeparator[2] = '-';
    EXPECT_FALSE(isSha256Fingerprint(badSeparator));
}

TEST(CertificatePeer, IsTheHostInLowerCaseAndThePortAsANumber) {
    EXPECT_EQ(peerName("Mail.Example.ORG", std::uint16_t{993}), "mail.example.org:993");
    EXPECT_EQ(peerName("mail.example.org", std::string("0995")), "mail.example.org:995");
    EXPECT_EQ(peerName("mail.example.org", std::string("993x")), "mail.example.org:993");
    EXPECT_EQ(peerName("mail.example.org", std::string("0")), "");
    EXPECT_EQ(peerName("mail.example.org", std::string("70000")), "");
}

class CertificatePinTest : public SocketTest {
protected:
    // A POP3 server presenting `served` that must see the client's USER line
    // (the connect was accepted) or nothing but a failed hand-shake.
    std::unique_ptr<LoopbackServer> serve(const TestCertificates& served, bool accepted) {
        Script script = Script().sendLine("+OK hello");
        if (accepted)
            script.expect("USER bob").sendLine("+OK");
        return std::make_unique<LoopbackServer>(std::move(script), served);
    }

    std::string peerOf(const LoopbackServer& server) { return "localhost:" + server.port(); }

    // Connects to the server, and when that works carries one command.
    bool connectAndTalk(LoopbackServer& server) {
        if (!socket.ConnectPop3("localhost", true, server.port()))
            return false;
        std::string greeting(200, '\0');
        greeting.resize(socket.ReceiveReply(greeting, 5000, 200, true, false));
        EXPECT_EQ(greeting, "+OK hello\r\n");
        socket.SendLine("USER bob\r\n");
        std::string answer(200, '\0');
        answer.resize(socket.ReceiveReply(answer, 5000, 200, true, false));
        EXPECT_EQ(answer, "+OK\r\n");
        socket.Close();
        return true;
    }

    TempDir dir;
    TestCertificates pki = makeTestCertificates(dir.path());
    TempDir otherDir;
    TestCertificates otherPki = makeTestCertificates(otherDir.path());
    CMailSocket socket{abortFlag};
};

TEST_F(CertificatePinTest, RefusedCertificateIsDescribedAndRecordedWithoutAnyDialogue) {
    ScopedEnv trust("SSL_CERT_FILE", otherPki.caFile.string());
    auto server = serve(pki, false);
    ASSERT_FALSE(socket.ConnectPop3("LOCALHOST", true, server->port()));
    EXPECT_TRUE(server->waitUntilDone());
    EXPECT_EQ(server->tlsFailures(), 1) << "the hand-shake itself is refused";

    const auto& refused = socket.refusedCertificate();
    ASSERT_TRUE(refused);
    EXPECT_EQ(refused->sha256, sha256Fingerprint(pki.certFile));
    EXPECT_EQ(refused->subject, "CN=Ombrix Test Server");
    EXPECT_EQ(refused->issuer, "CN=Ombrix Test CA");
    const std::regex utcTime(R"(\d{4}-\d\d-\d\d \d\d:\d\d:\d\d UTC)");
    EXPECT_TRUE(std::regex_match(refused->notBefore, utcTime)) << refused->notBefore;
    EXPECT_TRUE(std::regex_match(refused->notAfter, utcTime)) << refused->notAfter;
    EXPECT_LT(refused->notBefore, refused->notAfter);
    EXPECT_NE(refused->reason.find("issuer"), std::string::npos) << refused->reason;
    EXPECT_FALSE(refused->replacesPin());
    EXPECT_EQ(socket.lastFailureReason(), refused->reason);

    // The host's case does not make another server.
    const auto recorded = certificateTrust().refusal(peerOf(*server));
    ASSERT_TRUE(recorded);
    EXPECT_EQ(recorded->sha256, refused->sha256);
}

TEST_F(CertificatePinTest, PinnedCertificateIsAcceptedWithTheFaultsItWasPinnedWith) {
    TempDir misnamedDir;
    TestCertificates misnamed = makeTestCertificates(misnamedDir.path(), "DNS:mail.example.test");
    struct Row {
        const char* name;
        const TestCertificates& served;
        const std::filesystem::path& trusted;
    };
    const Row rows[] = {
        {"issuer not trusted", pki, otherPki.caFile},
        {"host name not in the certificate", misnamed, misnamed.caFile},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        ScopedEnv trust("SSL_CERT_FILE", row.trusted.string());
        auto refusing = serve(row.served, false);
        ASSERT_FALSE(socket.ConnectPop3("localhost", true, refusing->port()));
        ASSERT_TRUE(socket.refusedCertificate());
        const std::string sha256 = socket.refusedCertificate()->sha256;

        auto server = serve(row.served, true);
        certificateTrust().pin(
            {peerOf(*server), sha256, "test", "2026-12-09", socket.refusedCertificate()->faults});
        certificateTrust().recordRefusal(peerOf(*server), *socket.refusedCertificate());
        EXPECT_TRUE(connectAndTalk(*server)) << socket.lastFailureReason();
        EXPECT_FALSE(socket.refusedCertificate());
        EXPECT_FALSE(certificateTrust().refusal(peerOf(*server)))
            << "a connect that worked forgets the refusal";
        EXPECT_TRUE(server->waitUntilDone());
        EXPECT_EQ(server->tlsFailures(), 0);
    }
}

// A certificate both misnamed and of an unknown issuer: the user is shown
// both faults at once, and a pin that accepted only one of them refuses the
// certificate again, within the hand-shake, naming the other.
TEST_F(CertificatePinTest, APinAcceptsOnlyTheFaultsItWasPinnedWith) {
    TempDir misnamedDir;
    TestCertificates misnamed = makeTestCertificates(misnamedDir.path(), "DNS:mail.example.test");
    ScopedEnv trust("SSL_CERT_FILE", otherPki.caFile.string());
    auto first = serve(misnamed, false);
    ASSERT_FALSE(socket.ConnectPop3("localhost", true, first->port()));
    ASSERT_TRUE(socket.refusedCertificate());
    const CertificateFacts shown = *socket.refusedCertificate();
    EXPECT_EQ(shown.faults, (CertificateFaults{"name-mismatch", "unknown-issuer"}));
    EXPECT_FALSE(shown.widensPin());

    auto narrow = serve(misnamed, false);
    certificateTrust().pin(
        {peerOf(*narrow), shown.sha256, shown.reason, "2026-01-01", {"unknown-issuer"}});
    ASSERT_FALSE(socket.ConnectPop3("localhost", true, narrow->port()));
    EXPECT_TRUE(narrow->waitUntilDone());
    EXPECT_EQ(narrow->tlsFailures(), 1) << "refused within the hand-shake";
    const auto& refused = socket.refusedCertificate();
    ASSERT_TRUE(refused);
    EXPECT_FALSE(refused->replacesPin()) << "the same certificate";
    EXPECT_TRUE(refused->widensPin());
    EXPECT_EQ(refused->newFaults, CertificateFaults{"name-mismatch"});
    EXPECT_EQ(refused->reason, "hostname mismatch");

    auto wide = serve(misnamed, true);
    certificateTrust().pin({peerOf(*wide), shown.sha256, shown.reason, "2026-01-01", shown.faults});
    EXPECT_TRUE(connectAndTalk(*wide)) << socket.lastFailureReason();
    EXPECT_TRUE(wide->waitUntilDone());
}

TEST_F(CertificatePinTest, AnotherCertificateThanThePinnedOneIsRefusedWithBothFingerprints) {
    ScopedEnv trust("SSL_CERT_FILE", otherPki.caFile.string());
    auto server = serve(pki, false);
    const std::string oldPin = sha256Fingerprint(otherPki.certFile);
    certificateTrust().pin({peerOf(*server), oldPin, "self-signed certificate", "2026-01-01"});
    ASSERT_FALSE(socket.ConnectPop3("localhost", true, server->port()));
    EXPECT_TRUE(server->waitUntilDone());
    EXPECT_EQ(server->tlsFailures(), 1);
    const auto& refused = socket.refusedCertificate();
    ASSERT_TRUE(refused);
    EXPECT_TRUE(refused->replacesPin());
    EXPECT_EQ(refused->pinnedSha256, oldPin);
    EXPECT_EQ(refused->sha256, sha256Fingerprint(pki.certFile));
}

TEST_F(CertificatePinTest, CertificateThatVerifiesNeedsNoPinAndIsNotHeldToOne) {
    ScopedEnv trust("SSL_CERT_FILE", pki.caFile.string());
    auto unpinned = serve(pki, true);
    EXPECT_TRUE(connectAndTalk(*unpinned)) << socket.lastFailureReason();
    // A pin left from a self-signed past does not refuse a certificate that verifies.
    auto pinned = serve(pki, true);
    certificateTrust().pin(
        {peerOf(*pinned), sha256Fingerprint(otherPki.certFile), "self-signed", "2026-01-01"});
    EXPECT_TRUE(connectAndTalk(*pinned)) << socket.lastFailureReason();
    EXPECT_TRUE(unpinned->waitUntilDone());
    EXPECT_TRUE(pinned->waitUntilDone());
}

} // namespace
} // namespace ombrix::test
