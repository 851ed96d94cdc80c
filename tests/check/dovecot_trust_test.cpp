// Trust on first use end to end: the command-line front end against a test
// Dovecot whose certificate no client trusts. The certificate is refused
// before a login is sent, `--trust` pins it, and the runs then work until the
// server presents another certificate.
// Users of this program (on the untrusted server): alice (IMAP), bob (POP3).

#include "check/dovecot_check.h"
#include "cli/run_program.h"
#include "support/loopback_server.h"
#include "support/temp_dir.h"

#include <algorithm>
#include <fstream>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sstream>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

namespace ombrix::test {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;

std::string readAll(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

// A port on 127.0.0.1 where nothing listens.
int closedPort() {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
    ::close(fd);
    return ntohs(address.sin_port);
}

class DovecotTrust : public DovecotTest {
protected:
    void SetUp() override {
        DovecotTest::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        fillMailbox(server(), "alice", 3, "trust-imap");
        fillMailbox(server(), "bob", 2, "trust-pop");
    }

    // Every run trusts the test CA, which did not sign this server, and
    // writes its protocol transcript.
    ProgramResult run(std::vector<std::string> arguments, const std::string& input = "") {
        arguments.insert(arguments.begin(), {"--dir", dir.path().string()});
        return runOmbrix(arguments, input,
                         {"SSL_CERT_FILE=" + server().caFile, "OMBRIX_PROTOCOL_LOG=" + log()});
    }

    std::string log() const { return (logDir.path() / "protocol.log").string(); }
    std::string takeLog() {
        std::string text = readAll(log());
        std::filesystem::remove(log());
        return text;
    }

    void addAccount(const std::string& name, const std::string& user, const Endpoint& endpoint,
                    const std::string& port = {}) {
        std::vector<std::string> arguments{"--add-account",
                                           "--name",
                                           name,
                                           "--host",
                                           server().host,
                                           "--user",
                                           user,
                                           "--port",
                                           port.empty() ? std::to_string(portOf(server(), endpoint))
                                                        : port};
        if (endpoint.protocol == MailProtocol::Imap)
            arguments.push_back("--imap");
        if (endpoint.tls)
            arguments.push_back("--ssl");
        const ProgramResult added = run(arguments, server().password(user));
        ASSERT_EQ(added.exitCode, 0) << added.err;
    }

    void addBothAccounts() {
        addAccount("imap home", "alice", kImapTls);
        addAccount("pop home", "bob", kPop3Tls);
    }

    std::string peer(const Endpoint& endpoint) const {
        return server().host + ":" + std::to_string(portOf(server(), endpoint));
    }

    void pinBoth() {
        for (const char* account : {"0", "1"}) {
            const ProgramResult pinned = run({"--trust", account, "--yes"});
            ASSERT_EQ(pinned.exitCode, 0) << pinned.err;
        }
    }

    std::filesystem::path pinFile() const { return dir.path() / "trusted-certificates"; }

    TempDir dir;
    TempDir logDir;
};

TEST_F(DovecotTrust, CertificateIsRefusedBeforeAnyLoginUntilTheUserPinsIt) {
    addBothAccounts();
    const std::string fingerprint = sha256Fingerprint(serverCertificateFile(server()));

    const ProgramResult refused = run({"--check"});
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_EQ(
        refused.out,
        "imap home\tError: certificate not trusted (unable to get local issuer certificate)\n"
        "pop home\tError: certificate not trusted (unable to get local issuer certificate)\n");
    const std::string refusedLog = takeLog();
    EXPECT_THAT(refusedLog, HasSubstr("* certificate of " + server().host +
                                      " refused: unable to get local issuer certificate, SHA-256 " +
                                      fingerprint));
    EXPECT_THAT(refusedLog, Not(HasSubstr("C: "))) << "not a byte of the dialogue is sent";
    EXPECT_THAT(refusedLog, Not(HasSubstr("LOGIN")));
    EXPECT_THAT(refusedLog, Not(HasSubstr("USER")));
    EXPECT_THAT(refusedLog, Not(HasSubstr("PASS")));
    EXPECT_THAT(run({"--accounts"}).out, Not(HasSubstr("pinned")));

    // Shown, and not pinned without the user's "yes".
    const ProgramResult declined = run({"--trust", "0"}, "no\n");
    EXPECT_EQ(declined.exitCode, 1);
    EXPECT_EQ(declined.out, "Server: " + peer(kImapTls) +
                                "\n"
                                "Reason: unable to get local issuer certificate\n"
                                "Subject: CN=localhost\n"
                                "Issuer: CN=Ombrix Untrusted CA\n"
                                "Valid from: " +
                                linesOf(declined.out).at(4).substr(12) +
                                "\n"
                                "Valid until: " +
                                linesOf(declined.out).at(5).substr(13) +
                                "\n"
                                "SHA-256 fingerprint: " +
                                fingerprint +
                                "\n"
                                "Faults: unknown issuer\n");
    EXPECT_THAT(declined.err, HasSubstr("Type \"yes\""));
    EXPECT_THAT(declined.err, HasSubstr("Not pinned."));
    EXPECT_FALSE(std::filesystem::exists(pinFile()));

    const ProgramResult accepted = run({"--trust", "0"}, "yes\n");
    EXPECT_EQ(accepted.exitCode, 0) << accepted.err;
    EXPECT_THAT(accepted.out, HasSubstr("SHA-256 fingerprint: " + fingerprint + "\n"));
    EXPECT_THAT(accepted.out, HasSubstr("Pinned: " + peer(kImapTls) + "\n"));
    const ProgramResult atOnce = run({"--trust", "1", "--yes"});
    EXPECT_EQ(atOnce.exitCode, 0) << atOnce.err;
    EXPECT_THAT(atOnce.out, HasSubstr("Pinned: " + peer(kPop3Tls) + "\n"));

    struct stat info {};
    ASSERT_EQ(::stat(pinFile().c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
    const std::vector<std::string> pins = linesOf(readAll(pinFile()));
    ASSERT_EQ(pins.size(), 2u);
    EXPECT_THAT(pins[0], testing::StartsWith(peer(kImapTls) + "\t" + fingerprint +
                                             "\tunable to get local issuer certificate\t"));
    for (const std::string& line : linesOf(run({"--accounts"}).out))
        EXPECT_THAT(line, testing::EndsWith("\tactive\tfile\tpinned:unknown-issuer"));

    takeLog();
    const ProgramResult checked = run({"--check"});
    EXPECT_EQ(checked.exitCode, 0) << checked.err;
    EXPECT_EQ(checked.out, "imap home\t3 new mails !\npop home\t2 new mails !\n");
    EXPECT_THAT(takeLog(), HasSubstr("C: a000 LOGIN ****"));

    const ProgramResult again = run({"--trust", "0"});
    EXPECT_EQ(again.exitCode, 0);
    EXPECT_EQ(again.out, "The certificate of " + peer(kImapTls) + " is pinned already.\n");
}

TEST_F(DovecotTrust, ReplacedCertificateIsRefusedAgainWithBothFingerprints) {
    addBothAccounts();
    pinBoth();
    const std::string pinned = sha256Fingerprint(serverCertificateFile(server()));
    ASSERT_EQ(run({"--check"}).exitCode, 0);

    const std::string renewed = renewCertificate(server());
    ASSERT_NE(renewed, pinned);
    takeLog();
    const ProgramResult refused = run({"--check"});
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_EQ(refused.out,
              "imap home\tError: certificate not trusted (not the accepted certificate)\n"
              "pop home\tError: certificate not trusted (not the accepted certificate)\n");
    EXPECT_THAT(takeLog(), Not(HasSubstr("C: ")));

    const ProgramResult shown = run({"--trust", "1"}, "\n");
    EXPECT_EQ(shown.exitCode, 1);
    EXPECT_THAT(shown.out, HasSubstr("\nSHA-256 fingerprint: " + renewed + "\n"));
    EXPECT_THAT(shown.out, HasSubstr("\nAccepted before: " + pinned + "\n"));
    EXPECT_THAT(shown.err, HasSubstr("no longer presents the certificate you accepted"));

    pinBoth();
    const std::vector<std::string> pins = linesOf(readAll(pinFile()));
    ASSERT_EQ(pins.size(), 2u) << "the new pins replace the old ones";
    for (const std::string& line : pins)
        EXPECT_THAT(line, HasSubstr("\t" + renewed + "\t"));
    const ProgramResult checked = run({"--check"});
    EXPECT_EQ(checked.exitCode, 0) << checked.err;
    EXPECT_EQ(checked.out, "imap home\t3 new mails !\npop home\t2 new mails !\n");
}

TEST_F(DovecotTrust, DeletionRunWorksAgainstThePinnedServerAndNoOtherCertificate) {
    addBothAccounts();
    pinBoth();
    ASSERT_EQ(run({"--check"}).exitCode, 0);
    const std::vector<ServerMail> before = listMailbox(server(), "bob").mails;
    ASSERT_EQ(before.size(), 2u);

    // The row whose uid is the server's first mail.
    const ProgramResult listed = run({"--list", "1"});
    ASSERT_EQ(listed.exitCode, 0) << listed.err;
    std::string row;
    for (const std::string& line : linesOf(listed.out))
        if (line.ends_with("\t" + before[0].pop3Uidl))
            row = line.substr(0, line.find('\t'));
    ASSERT_FALSE(row.empty()) << listed.out;

    const ProgramResult deleted = run({"--delete", "1", row, "--yes"});
    EXPECT_EQ(deleted.exitCode, 0) << deleted.err;
    const std::vector<ServerMail> after = listMailbox(server(), "bob").mails;
    ASSERT_EQ(after.size(), 1u);
    EXPECT_EQ(after[0].messageId, before[1].messageId);

    // Another certificate: the deletion is refused before a login as well.
    renewCertificate(server());
    takeLog();
    const ProgramResult refused = run({"--delete", "1", "0", "--yes"});
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_THAT(refused.err, HasSubstr("certificate not trusted (not the accepted certificate)"));
    EXPECT_THAT(takeLog(), Not(HasSubstr("C: ")));
    EXPECT_EQ(listMailbox(server(), "bob").mails.size(), 1u);
}

TEST_F(DovecotTrust, TrustNeedsAnAccountWithTlsAndAServerThatAnswers) {
    addAccount("imap home", "alice", kImapTls);
    addAccount("plain", "alice", kImapPlain);
    addAccount("gone", "alice", kImapTls, std::to_string(closedPort()));

    const ProgramResult noSuchAccount = run({"--trust", "3"});
    EXPECT_EQ(noSuchAccount.exitCode, 2);
    EXPECT_THAT(noSuchAccount.err, HasSubstr("there is no account 3"));
    EXPECT_EQ(run({"--trust", "x"}).exitCode, 2);
    EXPECT_EQ(run({"--trust"}).exitCode, 2);

    const ProgramResult plain = run({"--trust", "1", "--yes"});
    EXPECT_EQ(plain.exitCode, 1);
    EXPECT_THAT(plain.err, HasSubstr("does not use SSL"));

    const ProgramResult unreachable = run({"--trust", "2", "--yes"});
    EXPECT_EQ(unreachable.exitCode, 1);
    EXPECT_THAT(unreachable.err, HasSubstr("could not connect to server (Connection refused)"));
    EXPECT_EQ(unreachable.out, "");
    EXPECT_FALSE(std::filesystem::exists(pinFile()));
}

} // namespace
} // namespace ombrix::test
