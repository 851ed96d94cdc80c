// TLS sessions kept for the next connect to the same server: resumed only
// where the certificate would be accepted on the same terms, never into a
// success once it would not be.

#include "net/certificate_trust.h"
#include "net/mail_socket.h"
#include "net/socket_test_support.h"
#include "net/ticket_server.h"
#include "net/tls_session_cache.h"
#include "support/loopback_server.h"
#include "support/temp_dir.h"

#include <ctime>
#include <future>
#include <openssl/ssl.h>

namespace ombrix::test {
namespace {

// A session of the library's own making, good for `lifetimeSeconds` from now.
SSL_SESSION* madeSession(long lifetimeSeconds = 300) {
    SSL_SESSION* session = SSL_SESSION_new();
    SSL_SESSION_set_time(session, static_cast<long>(std::time(nullptr)));
    SSL_SESSION_set_timeout(session, lifetimeSeconds);
    return session;
}

TlsResumptionKey keyFor(int i) {
    return {"mail" + std::to_string(i) + ".example.org", 995, "", 1};
}

// Whether the cache offers exactly `expected` for the key (null: nothing).
::testing::AssertionResult offers(TlsSessionCache& cache, const TlsResumptionKey& key,
                                  SSL_SESSION* expected) {
    SSL_SESSION* found = cache.find(key);
    SSL_SESSION_free(found);
    if (found == expected) {
        return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure()
           << key.host << ":" << key.port << (found ? " offers another session" : " offers none");
}

TEST(TlsSessionCache, KeepsTheNewestSessionsUpToItsCapacity) {
    TlsSessionCache cache;
    std::vector<SSL_SESSION*> sessions;
    for (std::size_t i = 0; i < TlsSessionCache::kCapacity; ++i) {
        sessions.push_back(madeSession());
        cache.store(keyFor(static_cast<int>(i)), sessions.back());
    }
    EXPECT_EQ(cache.size(), TlsSessionCache::kCapacity);
    // A key stored again counts from its new session on.
    SSL_SESSION* renewed = madeSession();
    cache.store(keyFor(0), renewed);
    EXPECT_EQ(cache.size(), TlsSessionCache::kCapacity);
    SSL_SESSION* newest = madeSession();
    cache.store(keyFor(1000), newest);
    EXPECT_EQ(cache.size(), TlsSessionCache::kCapacity);

    EXPECT_TRUE(offers(cache, keyFor(0), renewed));
    EXPECT_TRUE(offers(cache, keyFor(1), nullptr)) << "the oldest made room";
    for (std::size_t i = 2; i < TlsSessionCache::kCapacity; ++i) {
        EXPECT_TRUE(offers(cache, keyFor(static_cast<int>(i)), sessions[i]));
    }
    EXPECT_TRUE(offers(cache, keyFor(1000), newest));

    cache.forget(keyFor(0));
    EXPECT_TRUE(offers(cache, keyFor(0), nullptr));
    EXPECT_TRUE(offers(cache, keyFor(2), sessions[2]));
    for (SSL_SESSION* session : sessions) {
        SSL_SESSION_free(session);
    }
    SSL_SESSION_free(renewed);
    SSL_SESSION_free(newest);
}

TEST(TlsSessionCache, EveryPartOfTheKeyTellsServersApart) {
    const TlsResumptionKey stored{"mail.example.org", 995, "AB:CD", 3};
    struct Row {
        const char* name;
        TlsResumptionKey key;
    };
    const Row rows[] = {
        {"another host", {"pop.example.org", 995, "AB:CD", 3}},
        {"another port", {"mail.example.org", 993, "AB:CD", 3}},
        {"no pin", {"mail.example.org", 995, "", 3}},
        {"another pin", {"mail.example.org", 995, "AB:CE", 3}},
        {"other trusted files", {"mail.example.org", 995, "AB:CD", 4}},
    };
    TlsSessionCache cache;
    SSL_SESSION* session = madeSession();
    cache.store(stored, session);
    EXPECT_TRUE(offers(cache, stored, session));
    for (const Row& row : rows) {
        EXPECT_TRUE(offers(cache, row.key, nullptr)) << row.name;
    }
    SSL_SESSION_free(session);
}

TEST(TlsSessionCache, DropsSessionsPastTheirLifetimeAndOfOlderTrustedFiles) {
    TlsSessionCache cache;
    SSL_SESSION* expired = madeSession();
    SSL_SESSION_set_time(expired, static_cast<long>(std::time(nullptr)) - 600);
    cache.store(keyFor(1), expired);
    SSL_SESSION* older = madeSession();
    cache.store({"mail.example.org", 995, "", 1}, older);
    SSL_SESSION* current = madeSession();
    cache.store({"mail.example.org", 995, "", 2}, current);
    EXPECT_EQ(cache.size(), 3u);

    EXPECT_TRUE(offers(cache, keyFor(1), nullptr));
    EXPECT_EQ(cache.size(), 2u) << "an expired session is dropped, not kept";
    cache.keepOnly(2);
    EXPECT_EQ(cache.size(), 1u);
    EXPECT_TRUE(offers(cache, {"mail.example.org", 995, "", 2}, current));
    for (SSL_SESSION* session : {expired, older, current}) {
        SSL_SESSION_free(session);
    }
}

class TlsResumptionTest : public TlsSocketTest {
protected:
    struct Outcome {
        bool connected = false;
        bool resumed = false;
        Visit visit = Visit::NoClient;
    };

    // Connects as a check does, reads the greeting (TLS 1.3 tickets come
    // before it) and closes; what the client and the server saw.
    Outcome visit(TicketServer& server, const TestCertificates& served, const TicketKey& ticketKey,
                  const std::string& host = "localhost", int maxVersion = TLS1_3_VERSION) {
        std::future<Visit> serving = server.serveOne(served, ticketKey, maxVersion);
        Outcome outcome;
        outcome.connected = socket.ConnectPop3(host, true, server.port());
        outcome.resumed = socket.tlsResumed();
        if (outcome.connected) {
            EXPECT_EQ(lineReply(20000), TicketServer::kGreeting);
        }
        socket.Close();
        outcome.visit = serving.get();
        return outcome;
    }

    static ::testing::AssertionResult is(const Outcome& outcome, bool connected, Visit visit) {
        if (outcome.connected == connected && outcome.visit == visit &&
            outcome.resumed == (connected && visit == Visit::Resumed)) {
            return ::testing::AssertionSuccess();
        }
        return ::testing::AssertionFailure() << (outcome.connected ? "connected" : "not connected")
                                             << (outcome.resumed ? ", resumed" : ", not resumed")
                                             << ", server saw " << visitName(outcome.visit);
    }

    void pinServedCertificate(const TicketServer& server, const TestCertificates& served) {
        // Served under the other authority: its one fault is the unknown issuer.
        certificateTrust().pin({"localhost:" + server.port(),
                                sha256Fingerprint(served.certFile),
                                "test",
                                "2026-01-01",
                                {kFaultUnknownIssuer}});
    }

    TempDir otherDir;
    TestCertificates otherPki = makeTestCertificates(otherDir.path());
    TicketKey key = freshTicketKey();
};

TEST_F(TlsResumptionTest, TheNextConnectToTheSameServerResumes) {
    struct Row {
        const char* name;
        bool pinned;
        int version;
    };
    const Row rows[] = {
        {"TLS 1.3, certificate that verifies", false, TLS1_3_VERSION},
        {"TLS 1.3, pinned certificate", true, TLS1_3_VERSION},
        {"TLS 1.2, certificate that verifies", false, TLS1_2_VERSION},
        {"TLS 1.2, pinned certificate", true, TLS1_2_VERSION},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        ScopedEnv trust("SSL_CERT_FILE", (row.pinned ? otherPki : pki).caFile.string());
        TicketServer server;
        if (row.pinned) {
            pinServedCertificate(server, pki);
        }
        EXPECT_TRUE(is(visit(server, pki, key, "localhost", row.version), true, Visit::Full))
            << socket.lastFailureReason();
        // A resumed connection hands out the session for the one after it.
        for (int next = 1; next <= 2; ++next) {
            EXPECT_TRUE(is(visit(server, pki, key, "localhost", row.version), true, Visit::Resumed))
                << "connect " << next << ": " << socket.lastFailureReason();
        }
    }
}

TEST_F(TlsResumptionTest, AnotherPortHostNameOrPinMakesAFullHandshake) {
    ScopedEnv trust("SSL_CERT_FILE", pki.caFile.string());
    TicketServer server;
    TicketServer samePool; // another port, same tickets
    ASSERT_TRUE(is(visit(server, pki, key), true, Visit::Full));

    EXPECT_TRUE(is(visit(samePool, pki, key), true, Visit::Full)) << "another port";
    EXPECT_TRUE(is(visit(server, pki, key, "127.0.0.1"), true, Visit::Full))
        << "the host named otherwise";
    // The certificate verifies, so the pin changes nothing but the terms.
    certificateTrust().pin(
        {"localhost:" + server.port(), sha256Fingerprint(otherPki.certFile), "test", "2026-01-01"});
    EXPECT_TRUE(is(visit(server, pki, key), true, Visit::Full)) << "a pin set";
    certificateTrust().clear();
    EXPECT_TRUE(is(visit(server, pki, key), true, Visit::Resumed))
        << "the session of the terms without a pin is still there";
}

TEST_F(TlsResumptionTest, ASessionIsNeverResumedIntoASuccessOnceItsCertificateIsRefused) {
    TempDir trustDir;
    const std::filesystem::path trusted = trustDir / "trusted.pem";
    ScopedEnv trust("SSL_CERT_FILE", trusted.string());
    enum class Change { CaFileRewritten, PinRemoved, PinReplaced };
    struct Row {
        const char* name;
        Change change;
    };
    const Row rows[] = {
        {"the CA file no longer holds the server's CA", Change::CaFileRewritten},
        {"the pin removed", Change::PinRemoved},
        {"the pin replaced by another certificate's", Change::PinReplaced},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        certificateTrust().clear();
        TicketServer server;
        const bool pinned = row.change != Change::CaFileRewritten;
        writeBytes(trusted, readBytes((pinned ? otherPki : pki).caFile));
        if (pinned) {
            pinServedCertificate(server, pki);
        }
        ASSERT_TRUE(is(visit(server, pki, key), true, Visit::Full)) << socket.lastFailureReason();
        ASSERT_TRUE(is(visit(server, pki, key), true, Visit::Resumed));

        switch (row.change) {
        case Change::CaFileRewritten:
            writeBytes(trusted, readBytes(otherPki.caFile));
            break;
        case Change::PinRemoved:
            certificateTrust().clear();
            break;
        case Change::PinReplaced:
            pinServedCertificate(server, otherPki);
            break;
        }
        // Not even offered: the server makes a full hand-shake and sees it refused.
        EXPECT_TRUE(is(visit(server, pki, key), false, Visit::Refused));
        const auto& refused = socket.refusedCertificate();
        ASSERT_TRUE(refused);
        EXPECT_EQ(refused->sha256, sha256Fingerprint(pki.certFile));
        EXPECT_EQ(refused->replacesPin(), row.change == Change::PinReplaced);
    }
}

TEST_F(TlsResumptionTest, ARefusedHandshakeDropsTheServersSession) {
    ScopedEnv trust("SSL_CERT_FILE", pki.caFile.string());
    TicketServer server;
    ASSERT_TRUE(is(visit(server, pki, key), true, Visit::Full));
    // Another certificate, and tickets the earlier session cannot resume.
    EXPECT_TRUE(is(visit(server, otherPki, freshTicketKey()), false, Visit::Refused));
    EXPECT_TRUE(is(visit(server, pki, key), true, Visit::Full))
        << "the session from before the refusal is gone";
    EXPECT_TRUE(is(visit(server, pki, key), true, Visit::Resumed));
}

} // namespace
} // namespace ombrix::test
