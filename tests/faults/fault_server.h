#pragma once
// The fault server: a POP3 or IMAP server on 127.0.0.1 (port 0), plain or
// TLS, serving one fake mailbox, that breaks one step of its dialogue when
// armed with a fault. Each connection is served by a thread of its own.
//
//   FaultServer server({Protocol::Imap});
//   server.mailbox().add();
//   server.arm({{"FETCH", "UID"}, FaultKind::Reorder});
//   ... run the client ...
//   EXPECT_TRUE(server.fired());

#include "faults/fake_mailbox.h"
#include "faults/fault_plan.h"
#include "faults/protocol_session.h"
#include "support/loopback_server.h"

#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace ombrix::test {

class FaultConnection;

class FaultServer {
public:
    explicit FaultServer(ServerTraits traits, std::optional<TestCertificates> tls = std::nullopt);
    ~FaultServer(); // ends every connection wherever it is
    FaultServer(const FaultServer&) = delete;
    FaultServer& operator=(const FaultServer&) = delete;

    std::string port() const { return std::to_string(port_); }
    FakeMailbox& mailbox() { return mailbox_; }

    // The fault for the steps to come; counting of occurrences starts anew.
    void arm(Fault fault);
    void disarm() { arm({}); }
    // True once the armed fault has struck.
    bool fired() const;
    // The client lines (IMAP without tag) of every connection so far, in order.
    std::vector<std::string> commands() const;

private:
    void listen();
    void acceptLoop();
    void serve(int fd);
    std::unique_ptr<ProtocolSession> newSession();
    // The fault for this step, when it is the one armed; counts the step.
    FaultKind strikes(const std::string& command);
    // True while the session goes on.
    bool reply(FaultConnection& connection, ProtocolSession& session, const std::string& line,
               FaultKind kind, bool& ends);
    bool send(FaultConnection& connection, const Reply& reply, FaultKind kind);

    ServerTraits traits_;
    FakeMailbox mailbox_;
    std::shared_ptr<void> tlsContext_;
    int listenFd_ = -1;
    int stopFd_ = -1;
    int port_ = 0;
    mutable std::mutex mutex_;
    Fault fault_;
    int seen_ = 0;
    bool fired_ = false;
    std::vector<std::string> commands_;
    std::vector<std::thread> connections_;
    std::thread acceptor_;
};

} // namespace ombrix::test
