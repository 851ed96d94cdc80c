#pragma once
// Shared bits of the connection tests: a reply buffer, a recording message
// presenter, a scoped environment variable and a socket with test certificates.

#include "net/mail_socket.h"
#include "net/tls_session_cache.h"
#include "platform/message_box.h"
#include "support/loopback_server.h"
#include "support/process_reset.h"
#include "support/temp_dir.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <mutex>
#include <string>
#include <vector>

namespace ombrix::test {

class RecordingPresenter final : public MessagePresenter {
public:
    BoxAnswer present(const std::string& text, const std::string&, BoxKind) override {
        std::lock_guard lock(mutex_);
        texts_.push_back(text);
        return BoxAnswer::Ok;
    }
    std::vector<std::string> texts() const {
        std::lock_guard lock(mutex_);
        return texts_;
    }

private:
    mutable std::mutex mutex_;
    std::vector<std::string> texts_;
};

class ScopedEnv {
public:
    ScopedEnv(const char* name, const std::string& value) : name_(name) {
        if (const char* old = std::getenv(name)) {
            old_ = old;
            hadOld_ = true;
        }
        setenv(name, value.c_str(), 1);
    }
    ~ScopedEnv() {
        if (hadOld_) {
            setenv(name_, old_.c_str(), 1);
        } else {
            unsetenv(name_);
        }
    }

private:
    const char* name_;
    std::string old_;
    bool hadOld_ = false;
};

// Every connection test starts from a fresh process state, no TLS session
// kept from an earlier test, with boxes recorded.
class SocketTest : public ::testing::Test {
protected:
    void SetUp() override {
        resetProcessState();
        tlsSessionCache().clear();
        installMessagePresenter(&boxes);
    }
    void TearDown() override { installMessagePresenter(nullptr); }

    // The reply of one receive as text.
    template <class Receive> std::string reply(Receive receive, std::size_t capacity = 200000) {
        std::string buffer(capacity, '\0');
        std::uint32_t stored = receive(std::span<char>(buffer));
        return buffer.substr(0, stored);
    }

    RecordingPresenter boxes;
    // The abort flag of every socket a test makes; the run's own flag is not involved.
    CMailSocket::AbortFlag abortFlag{0};
};

// One socket, and a certificate authority of the test's own for its TLS servers.
class TlsSocketTest : public SocketTest {
protected:
    // One POP3 line reply.
    std::string lineReply(std::uint32_t timeoutMs) {
        return reply([&](std::span<char> dest) {
            return socket.ReceiveReply(dest, timeoutMs, 200, true, false);
        });
    }

    TempDir dir;
    TestCertificates pki = makeTestCertificates(dir.path());
    CMailSocket socket{abortFlag};
};

} // namespace ombrix::test
