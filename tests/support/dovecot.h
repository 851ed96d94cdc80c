#pragma once
// The private Dovecot that CTest starts for the integration tests
// (scripts/dovecot-test-server), and an independent hand on its mailboxes
// (scripts/make-test-mails, scripts/mailbox-tool).
//
// Tests derive from DovecotTest: without a running server a test is skipped
// with a loud reason, or fails when the environment variable CI is set. Each
// test program that changes mailboxes takes users of its own (see
// users.tsv: alice, bob, carol, dave, erin, ...), so programs may run in
// parallel; carol's and dave's passwords need IMAP quoting. The OAuth users
// have no password.

#include <cstdint>
#include <gtest/gtest.h>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace ombrix::test {

struct DovecotServer {
    std::string dir;
    std::string host;
    int pop3Port = 0;
    int imapPort = 0;
    int pop3sPort = 0;
    int imapsPort = 0;
    std::string caFile;          // trust it through SSL_CERT_FILE
    std::string untrustedCaFile; // a CA that did not sign the server
    std::map<std::string, std::string> passwords;
    // The raw HS256 secret that signs bearer tokens (support/bearer_jwt.h)
    // and the users who sign in with them only (trent, victor, walter, yvonne).
    std::string oauthSecret;
    std::vector<std::string> oauthUsers;

    const std::string& password(const std::string& user) const;
};

// One generated mail as scripts/make-test-mails recorded it. from and
// subject are the octets a mail list stores (decoded encoded words, LF
// removed from the subject); the *Display fields are UTF-8 with CR, LF and
// TAB as blanks.
struct ManifestMail {
    int index = 0;
    std::string messageId;
    std::string file;
    std::int64_t size = 0; // as LIST and RFC822.SIZE report it
    int bodyLines = 0;
    int day = 0;
    int month = 0;
    int year = 0;
    std::string date;
    std::string from;
    std::string subject;
    std::string fromDisplay;
    std::string subjectDisplay;
};

// One message as the server lists it, read over IMAP and POP3.
struct ServerMail {
    int sequence = 0;
    std::uint32_t uid = 0;
    std::int64_t size = 0;
    std::string pop3Uidl; // without its line end
    std::string messageId;
};

struct MailboxListing {
    std::uint32_t uidValidity = 0;
    std::uint32_t uidNext = 0;
    std::vector<ServerMail> mails;
};

// The running server of OMBRIX_DOVECOT_DIR, or the reason there is none.
struct DovecotLookup {
    std::optional<DovecotServer> server;
    std::string whyNot;
};
DovecotLookup findDovecot();

// Empties the user's mailbox (its UIDVALIDITY moves on), fills it with count
// generated mails and returns what was generated, in server order.
std::vector<ManifestMail> fillMailbox(const DovecotServer& server, const std::string& user,
                                      int count, const std::string& seed = "1");
// Delivers one more generated mail; it gets the next UID.
ManifestMail addMail(const DovecotServer& server, const std::string& user,
                     const std::string& seed = "1");
// Deletes messages by sequence number (1-based) through IMAP.
void deleteMails(const DovecotServer& server, const std::string& user,
                 const std::vector<int>& sequences);
// Flags messages \Deleted by sequence number (1-based) without expunging them,
// as another mail program may leave them.
void markDeleted(const DovecotServer& server, const std::string& user,
                 const std::vector<int>& sequences);
// Another client sets (seen) or clears \Seen on messages by sequence number.
void setSeen(const DovecotServer& server, const std::string& user,
             const std::vector<int>& sequences, bool seen);
// Empties the mailbox; the next session sees a new UIDVALIDITY.
void recreateMailbox(const DovecotServer& server, const std::string& user);
// What the server holds, read independently of Ombrix's own clients.
MailboxListing listMailbox(const DovecotServer& server, const std::string& user);
// The UIDs of the messages that carry \Seen, ascending, read by another
// client than Ombrix's.
std::vector<std::uint32_t> seenUids(const DovecotServer& server, const std::string& user);
// Everything ever generated for the user (fill and add), in order.
std::vector<ManifestMail> readManifest(const DovecotServer& server, const std::string& user);

// Gives the running server a new key and certificate from the CA that signed
// the old one, waits until its TLS ports present it and returns its SHA-256
// fingerprint ("0A:FF:...").
std::string renewCertificate(const DovecotServer& server);
// The certificate the server presents, as a PEM file.
std::string serverCertificateFile(const DovecotServer& server);

// Base for tests against the server: SetUp skips (or, with CI set, fails)
// when no server runs.
class DovecotTest : public ::testing::Test {
protected:
    void SetUp() override;
    const DovecotServer& server() const { return *server_; }

private:
    std::optional<DovecotServer> server_;
};

} // namespace ombrix::test
