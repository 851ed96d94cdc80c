// Every OpenSSL object of a TLS connection is released before the call that
// ends the connection returns, on the caller's thread: a hand-shake given up
// at the time-out or by an abort, a refused certificate, a connection closed
// after use. The library's allocations are
// counted from its first one (hence this program's own main), so an object
// left for another thread to free later shows as bytes still held.

#include "net/mail_socket.h"
#include "net/socket_test_support.h"
#include "net/stalled_peer.h"
#include "support/loopback_server.h"
#include "support/temp_dir.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <openssl/crypto.h>
#include <pthread.h>
#include <thread>

namespace ombrix::test {
namespace {

std::atomic<long long> libraryBytesHeld{0};
// Allocations and frees by threads other than the watched one, while watched.
std::atomic<bool> watching{false};
std::atomic<pthread_t> watchedThread{};
std::atomic<long long> foreignCalls{0};

void noteThread() {
    if (watching && !pthread_equal(pthread_self(), watchedThread)) {
        ++foreignCalls;
    }
}

// Each block carries its size in front, padded to keep the caller's alignment.
constexpr std::size_t kHeader = 16;

void* countedAllocate(std::size_t size, const char*, int) {
    noteThread();
    auto* block = static_cast<char*>(std::malloc(size + kHeader));
    if (!block) {
        return nullptr;
    }
    *reinterpret_cast<std::size_t*>(block) = size;
    libraryBytesHeld += static_cast<long long>(size);
    return block + kHeader;
}

void countedFree(void* pointer, const char*, int) {
    if (!pointer) {
        return;
    }
    noteThread();
    char* block = static_cast<char*>(pointer) - kHeader;
    libraryBytesHeld -= static_cast<long long>(*reinterpret_cast<std::size_t*>(block));
    std::free(block);
}

void* countedReallocate(void* pointer, std::size_t size, const char* file, int line) {
    if (!pointer) {
        return countedAllocate(size, file, line);
    }
    if (size == 0) {
        countedFree(pointer, file, line);
        return nullptr;
    }
    noteThread();
    char* block = static_cast<char*>(pointer) - kHeader;
    const std::size_t old = *reinterpret_cast<std::size_t*>(block);
    auto* moved = static_cast<char*>(std::realloc(block, size + kHeader));
    if (!moved) {
        return nullptr;
    }
    *reinterpret_cast<std::size_t*>(moved) = size;
    libraryBytesHeld += static_cast<long long>(size) - static_cast<long long>(old);
    return moved + kHeader;
}

class TlsReleaseTest : public TlsSocketTest {
protected:
    // A hand-shake that the peer never answers, given up at the time-out or
    // by an abort. The peer holds no library objects, so the client's must all
    // be gone the moment the connect returns, and made and freed by the
    // caller's thread alone: objects left to another thread would show either
    // as bytes still held or, once freed, as that thread's work.
    void giveUpHandshakes(bool settled) {
        watchedThread = pthread_self();
        foreignCalls = 0;
        watching = true;
        {
            StalledPeer peer;
            const long long before = libraryBytesHeld;
            EXPECT_FALSE(socket.ConnectPop3("127.0.0.1", true, peer.port(), 200));
            EXPECT_EQ(socket.lastFailureReason(), "TLS hand-shake timed out");
            if (settled) {
                EXPECT_EQ(libraryBytesHeld, before) << "after a time-out";
            }
            EXPECT_EQ(foreignCalls, 0) << "after a time-out";
        }
        {
            StalledPeer peer;
            std::thread user([this, &peer] {
                peer.waitUntilQueued(1); // the TCP connect is through
                abortFlag = 1;
            });
            const long long before = libraryBytesHeld;
            EXPECT_FALSE(socket.ConnectPop3("127.0.0.1", true, peer.port(), 600000));
            EXPECT_EQ(socket.lastFailureReason(), "aborted");
            if (settled) {
                EXPECT_EQ(libraryBytesHeld, before) << "after an abort";
            }
            EXPECT_EQ(foreignCalls, 0) << "after an abort";
            user.join();
            abortFlag = 0;
        }
        watching = false;
    }

    // A refused certificate and a connection closed after use; what the
    // library still holds is looked at once their servers are gone.
    void refuseAndUse() {
        {
            ScopedEnv trust("SSL_CERT_FILE", otherCa.caFile.string());
            LoopbackServer server(Script().sendLine("+OK never seen"), pki);
            EXPECT_FALSE(socket.ConnectPop3("localhost", true, server.port()));
            EXPECT_NE(socket.lastFailureReason().find("certificate"), std::string::npos)
                << socket.lastFailureReason();
            EXPECT_TRUE(server.waitUntilDone());
        }
        {
            ScopedEnv trust("SSL_CERT_FILE", pki.caFile.string());
            LoopbackServer server(Script().sendLine("+OK secure").expect("QUIT").sendLine("+OK"),
                                  pki);
            ASSERT_TRUE(socket.ConnectPop3("localhost", true, server.port()))
                << socket.lastFailureReason();
            EXPECT_EQ(lineReply(), "+OK secure\r\n");
            EXPECT_TRUE(socket.SendLine("QUIT\r\n"));
            EXPECT_EQ(lineReply(), "+OK\r\n");
            socket.Close();
            EXPECT_TRUE(server.waitUntilDone());
        }
        // The session the server handed out stays in the cache by design, and
        // its size varies: the ticket is the server's session in DER (times, a
        // random age offset) under a block cipher, so one byte more there
        // makes the ticket a block (16 bytes) longer. Without it, what is left
        // is what the connections left behind; a reference to it that they
        // kept would keep it alive and still show.
        tlsSessionCache().clear();
    }

    std::string lineReply() { return TlsSocketTest::lineReply(20000); }

    TempDir otherDir;
    TestCertificates otherCa = makeTestCertificates(otherDir.path());
};

TEST_F(TlsReleaseTest, AHandshakeGivenUpLeavesNoLibraryObjectBehind) {
    giveUpHandshakes(false); // the library's one-time tables (algorithms, error texts)
    for (int round = 1; round <= 5; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        giveUpHandshakes(true);
    }
}

TEST_F(TlsReleaseTest, RefusedAndClosedConnectionsLeaveNoLibraryObjectBehind) {
    refuseAndUse(); // the library's one-time tables
    const long long settled = libraryBytesHeld;
    for (int round = 1; round <= 5; ++round) {
        refuseAndUse();
        EXPECT_EQ(libraryBytesHeld, settled) << "round " << round;
    }
}

} // namespace
} // namespace ombrix::test

int main(int argc, char** argv) {
    // Only possible before the library's first allocation.
    if (CRYPTO_set_mem_functions(ombrix::test::countedAllocate, ombrix::test::countedReallocate,
                                 ombrix::test::countedFree) != 1) {
        std::fputs("OpenSSL allocated before main; cannot count its memory\n", stderr);
        return 1;
    }
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
