#pragma once
// One TCP stream to a mail server, optionally under TLS. open(), readSome()
// and writeAll() run on the caller's thread and give up at their WaitLimit;
// cancel() may come from any thread and ends every blocked or later
// operation, so no thread ever has to be killed. Once open, the socket blocks
// in slices of at most a second (its own receive and send time-outs), so that
// a wait costs one call instead of a poll() and a second try.

#include "net/certificate_facts.h"
#include "net/certificate_faults.h"
#include "net/host_lookup.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ombrix {

class TlsSession;

// What the protocol log notes when a reply stopped half-way and its first
// piece is acknowledged at once, before the wait for the rest (see readSome).
inline constexpr std::string_view kEarlyAcknowledgementNote =
    "acknowledged a piece of a reply before waiting for its rest";

// How long a blocking step may take: until `deadline` (TickCount()
// milliseconds), and at most about a second after `stop` turns non-zero.
struct WaitLimit {
    std::uint64_t deadline = UINT64_MAX;
    const std::atomic<std::uint8_t>* stop = nullptr;
};

enum class ReadStatus {
    Data,     // `count` bytes arrived
    Ended,    // end of stream, an error, or cancel()
    TimedOut, // the limit's deadline came first
    Stopped,  // the limit's stop flag was set
};

struct ReadResult {
    ReadStatus status = ReadStatus::Ended;
    std::size_t count = 0;
};

class Link {
public:
    Link();
    ~Link();
    Link(const Link&) = delete;
    Link& operator=(const Link&) = delete;

    // Connects to the addresses in order, then runs the TLS hand-shake for
    // host when useTls. False with failureReason() ("aborted" when `stop`
    // ended it); whatever a failed attempt had set up is released by then.
    bool open(const std::vector<SocketAddress>& addresses, const std::string& host, bool useTls,
              const WaitLimit& limit);
    // The certificate the user accepted for this server although it does not
    // verify, and the faults accepted with it; set before open().
    void acceptPinned(AcceptedCertificate pinned) { pinned_ = std::move(pinned); }
    // One read of at most capacity bytes, as soon as any byte is there. When
    // more is wanted after bytes that are not acknowledged yet and nothing has
    // come, they are acknowledged before the wait.
    ReadResult readSome(char* buffer, std::size_t capacity, const WaitLimit& limit);
    // Sends every byte; false when the stream fails, the limit is reached or
    // the link is cancelled.
    bool writeAll(std::string_view bytes, const WaitLimit& limit);
    // TCP keep-alive on the open stream (see CMailSocket::KeepAlive).
    void keepAlive(int idleSeconds, int intervalSeconds, int probes);
    // Sends the TLS close notification, if any, without waiting; the stream stays open.
    void notifyClose();
    void cancel();
    // Why open() failed; written before open() returns.
    const std::string& failureReason() const { return failureReason_; }
    // A fault of the transport itself that the user must be told of, even
    // when a later address worked; "" when none. Written before open() returns.
    const std::string& transportFault() const { return transportFault_; }
    // The server's certificate when open() failed because it was refused.
    const std::optional<CertificateFacts>& refusedCertificate() const { return refused_; }
    // Whether the open TLS stream resumed a session of an earlier one.
    bool resumed() const { return resumed_; }

    // What one read or write, waiting or not, came to.
    enum class Transfer { Done, Blocked, Ended };

private:
    enum class Readiness { Ready, Cancelled, TimedOut, Stopped };
    Readiness waitUntil(short events, const WaitLimit& limit);
    // Before a blocking step: Ready and the longest it may block (none when
    // nothing bounds it), or why no time is left.
    Readiness sliceOf(const WaitLimit& limit, std::optional<std::uint64_t>& sliceMs) const;
    // Before a blocking call: Ready with the socket's time-outs cut to the
    // next slice of the limit, or why there is no time left.
    Readiness nextSlice(const WaitLimit& limit);
    static ReadResult notReadable(Readiness readiness);
    Transfer receive(char* buffer, std::size_t capacity, bool wait, std::size_t& got);
    Transfer send(std::string_view bytes, bool wait, std::size_t& sent);
    void adopt(int fd);
    bool connectTo(const SocketAddress& address, const WaitLimit& limit);
    bool handshake(const std::string& host, std::uint16_t port, const WaitLimit& limit);
    bool failWaiting(Readiness readiness, const char* timedOutText);
    void release();

    int fd_ = -1; // written under fdMutex_, which cancel() holds
    std::mutex fdMutex_;
    int wakeFd_ = -1;
    std::uint64_t sliceMs_ = 0;   // the socket's time-outs now; 0 = none
    bool unacknowledged_ = false; // bytes arrived since we last sent or acknowledged
    std::atomic<bool> cancelled_{false};
    std::unique_ptr<TlsSession> tls_;
    std::mutex tlsMutex_; // a TLS session must not be used by two threads at once
    std::string failureReason_;
    std::string transportFault_;
    AcceptedCertificate pinned_;
    std::optional<CertificateFacts> refused_;
    bool resumed_ = false;
};

} // namespace ombrix
