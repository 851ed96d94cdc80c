#pragma once
// The one connection of a check or deletion run to a mail server, plain or TLS.
// Replies are read on the caller's thread as they arrive. Every wait is bounded: the connect (name
// lookup, TCP connect and TLS hand-shake together) and each send by the time-out given to the
// connect, each receive by its own; the abort flag ends any of them within a second. Two flavours:
// line replies (POP3) and tagged replies (IMAP). All members are called from one worker thread.
//
// For tests only: with OMBRIX_TEST_REPLY_TIMEOUT_MS=N in the environment (read
// once per process), every one of these time-outs is cut to at most N ms.

#include "net/certificate_facts.h"
#include "net/reply_scanner.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace ombrix {

struct MailConnection;
struct SocketAddress;
struct WaitLimit;
struct ReadResult;
class HostLookup;

// The connect's time-out when the caller names none: the dialogues' reply time-out.
inline constexpr std::uint32_t kConnectTimeoutMs = 16000;

// What the protocol log notes for a receive whose time-out ran out before the
// reply was complete. A healthy server never causes one.
inline constexpr std::string_view kReceiveTimeoutNote = "receive timed out before the reply ended";

class CMailSocket {
public:
    // Tells the user of a fault of the transport itself (a message box in one
    // language). Called on the thread that connects.
    using FaultNotice = std::function<void(const std::string&)>;

    // The flag that ends any wait of the socket within a second once it is
    // non-zero. The run that owns the socket sets and clears it; the socket
    // only reads it, and it must outlive the socket.
    using AbortFlag = std::atomic<std::uint8_t>;

    explicit CMailSocket(const AbortFlag& abort);
    ~CMailSocket();
    CMailSocket(const CMailSocket&) = delete;
    CMailSocket& operator=(const CMailSocket&) = delete;

    // Opens the connection; port is decimal text. False when the host cannot be
    // resolved or reached, TLS fails, timeoutMs passes first (lastFailureReason()
    // says why), or the abort flag is set while connecting ("aborted"). Under TLS
    // the certificate pinned for host and port in certificateTrust() is
    // accepted as well; a refused certificate is recorded there.
    bool ConnectPop3(const std::string& host, bool useSsl, const std::string& port,
                     std::uint32_t timeoutMs = kConnectTimeoutMs);
    // As ConnectPop3; the first SendTagged after it carries the tag a000.
    bool ConnectImap(const std::string& host, bool useSsl, const std::string& port,
                     std::uint32_t timeoutMs = kConnectTimeoutMs);

    // Sends the line as it is (the caller ends it with "\r\n"). False when
    // the bytes could not all be sent within the connect's time-out, or the
    // stream failed or was aborted; the stream is then ended, so the next
    // receive returns at once with nothing.
    bool SendLine(const std::string& line);
    // Collects one POP3 reply into dest and returns the number of bytes stored
    // (never more than dest.size(); the rest of a longer reply is dropped).
    std::uint32_t ReceiveReply(std::span<char> dest, std::uint32_t timeoutMs,
                               std::uint32_t expectedSize, bool singleLine, bool dotList);
    // Collects a dot-terminated POP3 listing of any length without keeping it:
    // its bytes, the status line first, go to onBytes chunk by chunk in order.
    // True when the listing ended (see lastReceiveComplete()).
    bool ReceiveListing(std::uint32_t timeoutMs,
                        const std::function<void(std::string_view)>& onBytes);

    // Hands the stream's bytes to feed chunk by chunk, those kept from the
    // previous receive first, until feed returns how many bytes of its chunk
    // were its own: the rest stays for the next receive. True when feed ended
    // it (see lastReceiveComplete()); false after the time-out, the end of the
    // stream or an abort. For readers that take a reply response by response.
    bool ReceiveStream(std::uint32_t timeoutMs,
                       const std::function<std::optional<std::size_t>(std::string_view)>& feed);

    // Sends tag, blank and command (which ends with "\r\n"), then counts the
    // tag up. False as for SendLine.
    bool SendTagged(const std::string& command);
    // Collects the greeting (tagged false) or everything up to the completion of
    // the last tagged command (a NO or BAD completion: see lastReplyRefused()).
    // sizeHint is accepted for the callers' sake and changes nothing.
    std::uint32_t ReceiveTagged(std::span<char> dest, std::uint32_t timeoutMs,
                                std::uint32_t sizeHint, bool tagged);
    // As ReceiveTagged for the last tagged command, but a continuation request
    // ("+" opening a line, see lastReplyContinued()) ends the reply as well.
    std::uint32_t ReceiveContinuable(std::span<char> dest, std::uint32_t timeoutMs);
    // Sends a line that is a credential and nothing else (a SASL response):
    // the protocol transcript shows a placeholder in its place. False as for
    // SendLine.
    bool SendCredentialLine(const std::string& line);

    // Waits up to timeoutMs for whatever the server sends next and appends it
    // to `into` (bytes kept from the end of the previous reply come first).
    // For a connection that waits on the server's initiative: true with
    // nothing appended after a time-out or an abort, and nothing is lost when
    // the next call (of any receive) follows a time-out. False once the stream
    // has ended.
    bool ReceiveSome(std::string& into, std::uint32_t timeoutMs);

    // Keep-alive probes on the open connection: the first after idleSeconds
    // of silence, then every intervalSeconds; `probes` unanswered ones end the
    // stream, so a link that died without a word is noticed.
    void KeepAlive(int idleSeconds, int intervalSeconds, int probes);

    // Whether the last receive ended where its reply ends. False when the
    // time-out, the end of the stream or the abort flag cut it short: what was
    // stored then is only the start of a reply.
    bool lastReceiveComplete() const { return lastReceiveComplete_; }
    // Whether the last ReceiveTagged ended with a tagged NO or BAD.
    bool lastReplyRefused() const { return lastReplyRefused_; }
    // Whether the last ReceiveContinuable ended at a continuation request.
    bool lastReplyContinued() const { return lastReplyContinued_; }
    // The line that ended the last tagged reply (see
    // TaggedReplyScanner::completionLine()), whether or not dest had room for it.
    const std::string& lastCompletionLine() const { return lastCompletionLine_; }

    // A run passes these on to its host; without a notice they go to a plain
    // message box.
    void setFaultNotice(FaultNotice notice) { faultNotice_ = std::move(notice); }

    // Ends the connection. Safe to call at any time.
    void Close();

    // Why the last connect failed ("" after a success), for the account's error text.
    const std::string& lastFailureReason() const { return failureReason_; }
    // The server's certificate when the last connect failed because it was refused.
    const std::optional<CertificateFacts>& refusedCertificate() const { return refused_; }
    // Whether the open connection's TLS hand-shake resumed the session of an
    // earlier connection (see TlsSession).
    bool tlsResumed() const;
    // The last tagged line sent, tag included.
    const std::string& lastCommand() const { return lastCommand_; }
    int tagCounter() const { return tagCounter_; }
    // Whether the abort flag is set: every wait ends early then.
    bool aborted() const { return *abort_ != 0; }
    // For the waits of a login beside the socket's own (a token refresh).
    const AbortFlag& abortFlag() const { return *abort_; }

private:
    bool connect(const std::string& host, bool useSsl, const std::string& port,
                 std::uint32_t timeoutMs);
    bool lookUp(const std::string& host, std::uint16_t port, const WaitLimit& limit,
                MailConnection& attempt, std::vector<SocketAddress>& addresses);
    // Hands the bytes kept from the previous reply, then each chunk, to feed
    // (which returns how many bytes were the reply's own once it is complete)
    // until it is complete, the time-out runs out, the stream ends or the
    // abort flag is set.
    template <class Feed> void receive(std::uint32_t timeoutMs, Feed feed);
    bool send(const std::string& bytes, bool credential = false);
    std::uint32_t receiveTagged(std::span<char> dest, std::uint32_t timeoutMs, bool tagged,
                                TaggedReplyScanner::Continuation continuation);
    WaitLimit limitFromNow(std::uint32_t timeoutMs) const;
    // One read into the connection's chunk, waiting up to the limit; the
    // bytes go to the protocol log.
    ReadResult readChunk(const WaitLimit& limit);

    const AbortFlag* abort_;
    std::shared_ptr<MailConnection> connection_;
    // Lookups a connect gave up on: each ends within its own budget and is
    // joined at the next connect once finished, or at destruction.
    std::vector<std::unique_ptr<HostLookup>> givenUpLookups_;
    std::uint32_t sendTimeoutMs_ = kConnectTimeoutMs;
    std::string failureReason_;
    std::optional<CertificateFacts> refused_;
    std::string lastCommand_;
    std::string lastCompletionLine_;
    std::string surplus_; // received after the previous reply's end, not yet read
    FaultNotice faultNotice_;
    int tagCounter_ = 0;
    bool lastReceiveComplete_ = false;
    bool lastReplyRefused_ = false;
    bool lastReplyContinued_ = false;
};

} // namespace ombrix
