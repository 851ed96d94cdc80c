// trusted-certificates: pins survive a save and a load as they were, a damaged
// line costs only itself, and the file is replaced whole and kept private.

#include "config/trusted_certificates.h"
#include "support/process_reset.h"
#include "support/temp_dir.h"

#include <fstream>
#include <gtest/gtest.h>
#include <regex>
#include <sys/stat.h>

namespace ombrix {
namespace {

// A well-formed fingerprint whose pairs all read `pair`.
std::string fingerprint(const std::string& pair) {
    std::string text = pair;
    for (int i = 1; i < 32; ++i)
        text += ":" + pair;
    return text;
}

std::string readAll(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

class TrustedCertificatesTest : public ::testing::Test {
protected:
    void SetUp() override { test::resetProcessState(); }
    void TearDown() override { test::resetProcessState(); }
    test::TempDir dir;
};

TEST_F(TrustedCertificatesTest, PinsMakeTheRoundTripUnchanged) {
    const std::vector<CertificatePin> pins = {
        {"mail.example.org:993",
         fingerprint("AB"),
         "self-signed certificate",
         "2026-12-09",
         {"self-signed", "name-mismatch"}},
        {"::1:995",
         fingerprint("01"),
         "unable to get local issuer certificate",
         "2026-01-31",
         {"unknown-issuer", "x509-24"}},
        {"home.lan:110", fingerprint("FF"), "", "2025-07-04", {}},
    };
    const std::string text = serializeTrustedCertificates(pins);
    EXPECT_EQ(text.substr(0, text.find('\n')),
              "mail.example.org:993\t" + fingerprint("AB") +
                  "\tself-signed certificate\t2026-12-09\tname-mismatch,self-signed");
    EXPECT_EQ(parseTrustedCertificates(text), pins);
}

TEST_F(TrustedCertificatesTest, DamagedLinesAreSkippedAndTheRestIsRead) {
    const std::string good = "good.example:993\t" + fingerprint("0a") + "\treason\t2026-12-09";
    const std::string text = "\n"
                             "# a comment\n"
                             "just some words\n"
                             "noport\t" +
                             fingerprint("11") +
                             "\tr\td\n"
                             "host:0\t" +
                             fingerprint("11") +
                             "\tr\td\n"
                             "host:65536\t" +
                             fingerprint("11") +
                             "\tr\td\n"
                             "host:99x\t" +
                             fingerprint("11") +
                             "\tr\td\n"
                             ":993\t" +
                             fingerprint("11") +
                             "\tr\td\n"
                             "host:993\t" +
                             fingerprint("11").substr(3) +
                             "\tr\td\n"
                             "host:993\tZZ" +
                             fingerprint("11").substr(2) +
                             "\tr\td\n"
                             "host:993\t" +
                             fingerprint("11") +
                             "\tthree fields\n"
                             "host:993\t" +
                             fingerprint("11") +
                             "\tr\td\tself-signed,extra\n"
                             "host:993\t" +
                             fingerprint("11") +
                             "\tr\td\t\textra\n"
                             "host:993\t" +
                             fingerprint("11") + "\tr\x01\td\n" + good + "\r\n" +
                             std::string("\0\xff\t\t\t", 5) + "\n";
    const std::vector<CertificatePin> pins = parseTrustedCertificates(text);
    ASSERT_EQ(pins.size(), 1u);
    EXPECT_EQ(pins[0].peer, "good.example:993");
    EXPECT_EQ(pins[0].sha256, fingerprint("0A")) << "fingerprints compare in upper case";
    EXPECT_EQ(pins[0].reason, "reason");
    EXPECT_EQ(pins[0].date, "2026-12-09");
}

TEST_F(TrustedCertificatesTest, TheLaterLineOfOneServerWinsWhateverTheHostsCase) {
    const auto pins =
        parseTrustedCertificates("Mail.Example:993\t" + fingerprint("01") +
                                 "\told\t2026-01-01\n"
                                 "other:993\t" +
                                 fingerprint("02") + "\tr\t2026-01-01\n" + "mail.example:993\t" +
                                 fingerprint("03") + "\tnew\t2026-02-01\n");
    ASSERT_EQ(pins.size(), 2u);
    EXPECT_EQ(pins[0].peer, "other:993");
    EXPECT_EQ(pins[1].peer, "mail.example:993");
    EXPECT_EQ(pins[1].sha256, fingerprint("03"));
}

TEST_F(TrustedCertificatesTest, PinningSavesAPrivateFileThatTheNextProcessLoads) {
    const std::filesystem::path file = trustedCertificatesPath(dir.path().string());
    CertificateFacts facts;
    facts.sha256 = fingerprint("C0");
    facts.reason = "self-signed\tcertificate\r\n";
    facts.faults = {"self-signed"};
    ASSERT_FALSE(pinCertificate(dir.path().string(), "imap.home.lan:993", facts));
    facts.sha256 = fingerprint("D1");
    facts.reason = "Hostname mismatch";
    facts.faults = {"name-mismatch"};
    ASSERT_FALSE(pinCertificate(dir.path().string(), "pop.home.lan:995", facts));

    struct stat info {};
    ASSERT_EQ(::stat(file.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
    const std::string text = readAll(file);
    const std::regex line("imap\\.home\\.lan:993\t" + fingerprint("C0") +
                          "\tself-signed certificate  \t\\d{4}-\\d\\d-\\d\\d\tself-signed\n"
                          "pop\\.home\\.lan:995\t" +
                          fingerprint("D1") +
                          "\tHostname mismatch\t\\d{4}-\\d\\d-\\d\\d\tname-mismatch\n");
    EXPECT_TRUE(std::regex_match(text, line)) << text;
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()),
                            std::filesystem::directory_iterator()),
              1)
        << "no temporary file is left";

    certificateTrust().clear();
    loadTrustedCertificates(dir.path().string());
    EXPECT_EQ(certificateTrust().pinFor("imap.home.lan:993"), fingerprint("C0"));
    EXPECT_EQ(certificateTrust().pinFor("pop.home.lan:995"), fingerprint("D1"));

    // A new certificate for a pinned server replaces its pin in place.
    facts.sha256 = fingerprint("E2");
    ASSERT_FALSE(pinCertificate(dir.path().string(), "imap.home.lan:993", facts));
    const auto reread = parseTrustedCertificates(readAll(file));
    ASSERT_EQ(reread.size(), 2u);
    EXPECT_EQ(reread[0].peer, "imap.home.lan:993");
    EXPECT_EQ(reread[0].sha256, fingerprint("E2"));
}

// A file of an earlier version has no faults: its pins accept the one fault
// their reason names, so anything else the certificate shows is asked again.
TEST_F(TrustedCertificatesTest, AnOldPinAcceptsTheFaultItsReasonNamesAndNoOther) {
    const auto pins = parseTrustedCertificates(
        "a.lan:993\t" + fingerprint("01") + "\tself-signed certificate\t2025-01-01\n" +
        "b.lan:993\t" + fingerprint("02") +
        "\tunable to get local issuer certificate\t2025-01-01\n" + "c.lan:993\t" +
        fingerprint("03") + "\tcertificate has expired\t2025-01-01\n" + "d.lan:993\t" +
        fingerprint("04") + "\thostname mismatch\t2025-01-01\n" + "e.lan:993\t" +
        fingerprint("05") + "\tsomething else\t2025-01-01\n");
    ASSERT_EQ(pins.size(), 5u);
    EXPECT_EQ(pins[0].faults, CertificateFaults{"self-signed"});
    EXPECT_EQ(pins[1].faults, CertificateFaults{"unknown-issuer"});
    EXPECT_EQ(pins[2].faults, CertificateFaults{"expired"});
    EXPECT_EQ(pins[3].faults, CertificateFaults{"name-mismatch"});
    EXPECT_TRUE(pins[4].faults.empty()) << "an unknown reason accepts nothing";
}

TEST_F(TrustedCertificatesTest, AForgottenPinIsGoneFromTheFile) {
    const std::string directory = dir.path().string();
    CertificateFacts facts;
    facts.sha256 = fingerprint("C0");
    facts.faults = {"self-signed"};
    ASSERT_FALSE(pinCertificate(directory, "a.lan:993", facts));
    ASSERT_FALSE(pinCertificate(directory, "b.lan:993", facts));

    bool forgotten = false;
    ASSERT_FALSE(forgetPin(directory, "a.lan:993", forgotten));
    EXPECT_TRUE(forgotten);
    ASSERT_FALSE(forgetPin(directory, "a.lan:993", forgotten));
    EXPECT_FALSE(forgotten);
    certificateTrust().clear();
    loadTrustedCertificates(directory);
    EXPECT_FALSE(certificateTrust().isPinned("a.lan:993"));
    EXPECT_TRUE(certificateTrust().isPinned("b.lan:993"));
}

TEST_F(TrustedCertificatesTest, AMissingOrUnreadableFileMeansNoPins) {
    certificateTrust().pin({"left.over:993", fingerprint("01"), "r", "d"});
    loadTrustedCertificates(dir.path().string());
    EXPECT_TRUE(certificateTrust().pins().empty());

    std::filesystem::create_directory(trustedCertificatesPath(dir.path().string()));
    loadTrustedCertificates(dir.path().string());
    EXPECT_TRUE(certificateTrust().pins().empty());
}

} // namespace
} // namespace ombrix
