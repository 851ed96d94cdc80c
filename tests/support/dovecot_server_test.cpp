// The test Dovecot itself: its four ports, its certificate, its users, and
// the tools that change its mailboxes. Users of this program: bob (mailbox
// changes), carol and dave (logins only).

#include "support/dovecot.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <memory>
#include <netinet/in.h>
#include <numeric>
#include <openssl/err.h>
#include <openssl/ssl.h>
#include <openssl/x509v3.h>
#include <stdexcept>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

namespace ombrix::test {
namespace {

// A blocking line client, plain or TLS, just enough to talk to the server
// without any of Ombrix's own network code.
class LineClient {
public:
    LineClient(const std::string& host, int port, const std::string* caFile) {
        try {
            open(host, port, caFile);
        } catch (...) {
            release();
            throw;
        }
    }
    ~LineClient() { release(); }
    LineClient(const LineClient&) = delete;
    LineClient& operator=(const LineClient&) = delete;

    void send(const std::string& line) {
        const std::string data = line + "\r\n";
        const auto sent = ssl_ ? SSL_write(ssl_, data.data(), static_cast<int>(data.size()))
                               : ::send(fd_, data.data(), data.size(), 0);
        if (sent <= 0 || static_cast<std::size_t>(sent) != data.size())
            throw std::runtime_error("send failed");
    }

    // One line without its CR LF; empty when the peer closed or stayed silent.
    std::string readLine() {
        std::string line;
        char c = 0;
        while (line.size() < 100000) {
            const auto got = ssl_ ? SSL_read(ssl_, &c, 1) : recv(fd_, &c, 1, 0);
            if (got <= 0)
                break;
            if (c == '\n')
                break;
            line += c;
        }
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        return line;
    }

private:
    void open(const std::string& host, int port, const std::string* caFile) {
        fd_ = socket(AF_INET, SOCK_STREAM, 0);
        timeval timeout{10, 0};
        setsockopt(fd_, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(static_cast<std::uint16_t>(port));
        inet_pton(AF_INET, host.c_str(), &address.sin_addr);
        if (connect(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0)
            throw std::runtime_error("connect to port " + std::to_string(port) + " failed");
        if (caFile)
            startTls(host, *caFile);
    }

    void release() {
        if (ssl_)
            SSL_free(ssl_);
        if (ctx_)
            SSL_CTX_free(ctx_);
        if (fd_ >= 0)
            close(fd_);
        ssl_ = nullptr;
        ctx_ = nullptr;
        fd_ = -1;
    }

    void startTls(const std::string& host, const std::string& caFile) {
        ctx_ = SSL_CTX_new(TLS_client_method());
        SSL_CTX_set_verify(ctx_, SSL_VERIFY_PEER, nullptr);
        if (SSL_CTX_load_verify_locations(ctx_, caFile.c_str(), nullptr) != 1)
            throw std::runtime_error("cannot load " + caFile);
        ssl_ = SSL_new(ctx_);
        X509_VERIFY_PARAM_set1_ip_asc(SSL_get0_param(ssl_), host.c_str());
        SSL_set_fd(ssl_, fd_);
        if (SSL_connect(ssl_) != 1) {
            const long verify = SSL_get_verify_result(ssl_);
            throw std::runtime_error(std::string("TLS handshake failed: ") +
                                     X509_verify_cert_error_string(verify));
        }
    }

    int fd_ = -1;
    SSL_CTX* ctx_ = nullptr;
    SSL* ssl_ = nullptr;
};

using DovecotServerTest = DovecotTest;

TEST_F(DovecotServerTest, EveryPortGreetsWithItsProtocolsGreeting) {
    struct Row {
        const char* name;
        int port;
        bool tls;
        const char* greeting;
    };
    const Row rows[] = {
        {"POP3", server().pop3Port, false, "+OK"},
        {"IMAP", server().imapPort, false, "* OK"},
        {"POP3S", server().pop3sPort, true, "+OK"},
        {"IMAPS", server().imapsPort, true, "* OK"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        LineClient client(server().host, row.port, row.tls ? &server().caFile : nullptr);
        EXPECT_TRUE(client.readLine().starts_with(row.greeting));
    }
}

TEST_F(DovecotServerTest, TlsPortsAreRefusedWithTheUntrustedCa) {
    for (int port : {server().pop3sPort, server().imapsPort}) {
        SCOPED_TRACE(port);
        EXPECT_THROW(LineClient(server().host, port, &server().untrustedCaFile),
                     std::runtime_error);
    }
}

TEST_F(DovecotServerTest, Pop3LoginAndStatAgreeWithTheManifest) {
    const std::vector<ManifestMail> mails = fillMailbox(server(), "bob", 7, "smoke");
    ASSERT_EQ(mails.size(), 7u);
    const std::int64_t total =
        std::accumulate(mails.begin(), mails.end(), std::int64_t{0},
                        [](std::int64_t sum, const ManifestMail& mail) { return sum + mail.size; });

    LineClient client(server().host, server().pop3Port, nullptr);
    ASSERT_TRUE(client.readLine().starts_with("+OK"));
    client.send("USER bob");
    ASSERT_TRUE(client.readLine().starts_with("+OK"));
    client.send("PASS " + server().password("bob"));
    ASSERT_TRUE(client.readLine().starts_with("+OK"));
    client.send("STAT");
    EXPECT_EQ(client.readLine(), "+OK 7 " + std::to_string(total));
    client.send("QUIT");
    EXPECT_TRUE(client.readLine().starts_with("+OK"));
}

TEST_F(DovecotServerTest, WrongPasswordIsRefused) {
    LineClient client(server().host, server().pop3Port, nullptr);
    ASSERT_TRUE(client.readLine().starts_with("+OK"));
    client.send("USER bob");
    ASSERT_TRUE(client.readLine().starts_with("+OK"));
    client.send("PASS not-" + server().password("bob"));
    EXPECT_TRUE(client.readLine().starts_with("-ERR"));
}

TEST_F(DovecotServerTest, PasswordsWithBlanksQuotesAndBackslashesLogInAsQuotedStrings) {
    const auto quoted = [](const std::string& text) {
        std::string out = "\"";
        for (char c : text)
            out += (c == '"' || c == '\\') ? std::string{'\\', c} : std::string(1, c);
        return out + "\"";
    };
    for (const std::string user : {"carol", "dave"}) {
        SCOPED_TRACE(user);
        LineClient client(server().host, server().imapPort, nullptr);
        ASSERT_TRUE(client.readLine().starts_with("* OK"));
        client.send("a1 LOGIN " + quoted(user) + " " + quoted(server().password(user)));
        std::string line = client.readLine();
        while (line.starts_with("*"))
            line = client.readLine();
        EXPECT_TRUE(line.starts_with("a1 OK")) << line;
    }
}

TEST_F(DovecotServerTest, MailboxToolsAddDeleteAndRecreateAsTheServerSeesIt) {
    const std::vector<ManifestMail> mails = fillMailbox(server(), "bob", 4, "tools");
    const MailboxListing filled = listMailbox(server(), "bob");
    ASSERT_EQ(filled.mails.size(), mails.size());
    for (std::size_t i = 0; i < mails.size(); ++i) {
        EXPECT_EQ(filled.mails[i].messageId, mails[i].messageId);
        EXPECT_EQ(filled.mails[i].size, mails[i].size);
    }

    const ManifestMail added = addMail(server(), "bob", "tools");
    const MailboxListing grown = listMailbox(server(), "bob");
    ASSERT_EQ(grown.mails.size(), 5u);
    EXPECT_EQ(grown.mails.back().messageId, added.messageId);
    EXPECT_EQ(grown.mails.back().uid, filled.uidNext);
    EXPECT_EQ(grown.uidValidity, filled.uidValidity);

    deleteMails(server(), "bob", {2});
    const MailboxListing shrunk = listMailbox(server(), "bob");
    ASSERT_EQ(shrunk.mails.size(), 4u);
    EXPECT_EQ(shrunk.mails[1].messageId, mails[2].messageId);
    EXPECT_EQ(shrunk.mails[1].pop3Uidl, grown.mails[2].pop3Uidl);

    recreateMailbox(server(), "bob");
    const MailboxListing empty = listMailbox(server(), "bob");
    EXPECT_TRUE(empty.mails.empty());
    EXPECT_NE(empty.uidValidity, filled.uidValidity);
}

} // namespace
} // namespace ombrix::test
