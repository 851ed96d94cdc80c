#include "net/mail_socket.h"

#include "net/certificate_trust.h"
#include "net/host_lookup.h"
#include "net/link.h"
#include "net/mail_connection.h"
#include "net/protocol_log.h"
#include "net/reply_scanner.h"
#include "platform/event.h"
#include "platform/message_box.h"

#include <algorithm>
#include <cstdlib>
#include <optional>
#include <utility>
#include <vector>

namespace ombrix {

namespace {

// Waits are cut into slices this long, so that an abort is seen within one.
constexpr std::uint32_t kDataSliceMs = 1000;

std::uint32_t testTimeoutCapMs() {
    const char* text = std::getenv("OMBRIX_TEST_REPLY_TIMEOUT_MS");
    if (!text) {
        return UINT32_MAX;
    }
    char* end = nullptr;
    const unsigned long value = std::strtoul(text, &end, 10);
    return end != text && *end == '\0' && value > 0 && value < UINT32_MAX
               ? static_cast<std::uint32_t>(value)
               : UINT32_MAX;
}

std::uint32_t boundedForTests(std::uint32_t timeoutMs) {
    static const std::uint32_t cap = testTimeoutCapMs();
    return std::min(timeoutMs, cap);
}

// What a scanner's feed tells receive(): how many bytes of the chunk were the
// reply's own once the reply has ended, nothing while it goes on.
template <class Scanner> std::optional<std::size_t> replyEnd(bool ended, const Scanner& scanner) {
    return ended ? std::optional<std::size_t>(scanner.consumed()) : std::nullopt;
}

std::uint32_t remainingMs(const WaitLimit& limit) {
    const std::uint64_t now = TickCount();
    return now >= limit.deadline ? 0 : static_cast<std::uint32_t>(limit.deadline - now);
}

} // namespace

CMailSocket::CMailSocket(const AbortFlag& abort) : abort_(&abort) {}

CMailSocket::~CMailSocket() {
    Close();
}

WaitLimit CMailSocket::limitFromNow(std::uint32_t timeoutMs) const {
    return {TickCount() + timeoutMs, abort_};
}

bool CMailSocket::ConnectPop3(const std::string& host, bool useSsl, const std::string& port,
                              std::uint32_t timeoutMs) {
    return connect(host, useSsl, port, timeoutMs);
}

bool CMailSocket::ConnectImap(const std::string& host, bool useSsl, const std::string& port,
                              std::uint32_t timeoutMs) {
    if (!connect(host, useSsl, port, timeoutMs)) {
        return false;
    }
    tagCounter_ = 0;
    return true;
}

bool CMailSocket::connect(const std::string& host, bool useSsl, const std::string& port,
                          std::uint32_t timeoutMs) {
    Close();
    std::erase_if(givenUpLookups_, [](const auto& lookup) { return lookup->finished(); });
    failureReason_.clear();
    refused_.reset();
    sendTimeoutMs_ = boundedForTests(timeoutMs);
    const WaitLimit limit = limitFromNow(sendTimeoutMs_);
    // The port field is read like a plain decimal conversion: digits up to the first other byte.
    const long portNumber = std::strtol(port.c_str(), nullptr, 10);
    if (portNumber < 1 || portNumber > 65535) {
        failureReason_ = "invalid port";
        return false;
    }
    auto attempt = std::make_shared<MailConnection>();
    std::vector<SocketAddress> addresses;
    if (!lookUp(host, static_cast<std::uint16_t>(portNumber), limit, *attempt, addresses)) {
        return false;
    }
    const std::string peer = peerName(host, static_cast<std::uint16_t>(portNumber));
    attempt->link.acceptPinned(certificateTrust().acceptedFor(peer));
    const bool opened = attempt->link.open(addresses, host, useSsl, limit);
    if (const std::string& fault = attempt->link.transportFault(); !fault.empty()) {
        if (faultNotice_) {
            faultNotice_(fault);
        } else {
            messageBox(fault);
        }
    }
    if (!opened) {
        failureReason_ = attempt->link.failureReason();
        refused_ = attempt->link.refusedCertificate();
        if (refused_) {
            certificateTrust().recordRefusal(peer, *refused_);
        }
        return false;
    }
    if (useSsl) {
        certificateTrust().forgetRefusal(peer);
    }
    connection_ = std::move(attempt);
    return true;
}

bool CMailSocket::lookUp(const std::string& host, std::uint16_t port, const WaitLimit& limit,
                         MailConnection& attempt, std::vector<SocketAddress>& addresses) {
    if (const std::optional<SocketAddress> literal = addressLiteral(host, port)) {
        if (aborted()) {
            failureReason_ = "aborted";
            return false;
        }
        addresses = {*literal};
        return true;
    }
    attempt.resolved->reset();
    auto lookup = std::make_unique<HostLookup>(host, port, remainingMs(limit), attempt.resolved);
    // Sliced, so that an abort is seen within a second.
    while (!attempt.resolved->wait(std::min(remainingMs(limit), kDataSliceMs))) {
        const bool gaveUp = aborted();
        if (gaveUp || TickCount() >= limit.deadline) {
            failureReason_ = gaveUp ? "aborted" : "host name lookup timed out";
            givenUpLookups_.push_back(std::move(lookup));
            return false;
        }
    }
    addresses = lookup->addresses();
    if (addresses.empty()) {
        failureReason_ = lookup->failureReason();
        return false;
    }
    return true;
}

bool CMailSocket::send(const std::string& bytes, bool credential) {
    // The transcript shows what went to a server: a command after a failed
    // connect goes nowhere.
    if (!connection_) {
        return false;
    }
    if (credential) {
        protocol_log::sentCredential();
    } else {
        protocol_log::sent(bytes);
    }
    if (connection_->link.writeAll(bytes, limitFromNow(sendTimeoutMs_))) {
        return true;
    }
    // A command sent in part leaves the dialogue out of step for good: the
    // stream is ended, so the reply's wait ends at once instead of by time-out.
    connection_->link.cancel();
    return false;
}

bool CMailSocket::SendLine(const std::string& line) {
    return send(line);
}

bool CMailSocket::SendCredentialLine(const std::string& line) {
    return send(line, true);
}

bool CMailSocket::SendTagged(const std::string& command) {
    lastCommand_ = imapTag(tagCounter_) + " " + command;
    ++tagCounter_;
    return send(lastCommand_);
}

std::uint32_t CMailSocket::ReceiveReply(std::span<char> dest, std::uint32_t timeoutMs,
                                        std::uint32_t expectedSize, bool singleLine, bool dotList) {
    LineReplyScanner scanner(singleLine, dotList, expectedSize);
    BoundedSink sink(dest);
    receive(timeoutMs,
            [&](std::string_view bytes) { return replyEnd(scanner.feed(bytes, sink), scanner); });
    return static_cast<std::uint32_t>(sink.stored());
}

bool CMailSocket::ReceiveListing(std::uint32_t timeoutMs,
                                 const std::function<void(std::string_view)>& onBytes) {
    // No count can end a listing early: it ends at its terminator only.
    LineReplyScanner scanner(false, true, 0);
    std::vector<char> scratch;
    receive(timeoutMs, [&](std::string_view bytes) {
        scratch.resize(bytes.size());
        BoundedSink sink(scratch);
        const bool ended = scanner.feed(bytes, sink);
        onBytes(std::string_view(scratch.data(), sink.stored()));
        return replyEnd(ended, scanner);
    });
    return lastReceiveComplete_;
}

bool CMailSocket::ReceiveStream(
    std::uint32_t timeoutMs,
    const std::function<std::optional<std::size_t>(std::string_view)>& feed) {
    receive(timeoutMs, feed);
    return lastReceiveComplete_;
}

std::uint32_t CMailSocket::ReceiveTagged(std::span<char> dest, std::uint32_t timeoutMs,
                                         std::uint32_t /*sizeHint*/, bool tagged) {
    return receiveTagged(dest, timeoutMs, tagged, TaggedReplyScanner::Continuation::Ignored);
}

std::uint32_t CMailSocket::ReceiveContinuable(std::span<char> dest, std::uint32_t timeoutMs) {
    return receiveTagged(dest, timeoutMs, true, TaggedReplyScanner::Continuation::EndsReply);
}

std::uint32_t CMailSocket::receiveTagged(std::span<char> dest, std::uint32_t timeoutMs, bool tagged,
                                         TaggedReplyScanner::Continuation continuation) {
    // The tag is everything before the blank: a999 is followed by a1000.
    TaggedReplyScanner scanner(lastCommand_.substr(0, lastCommand_.find(' ')), tagged,
                               continuation);
    BoundedSink sink(dest);
    receive(timeoutMs,
            [&](std::string_view bytes) { return replyEnd(scanner.feed(bytes, sink), scanner); });
    lastReplyRefused_ = scanner.refused();
    lastReplyContinued_ = scanner.continued();
    lastCompletionLine_ = scanner.completionLine();
    return static_cast<std::uint32_t>(sink.stored());
}

ReadResult CMailSocket::readChunk(const WaitLimit& limit) {
    MailConnection& c = *connection_;
    // After the end of the stream nothing more can come; waiting out the
    // time-out would change nothing but the delay.
    if (c.streamEnded) {
        return {ReadStatus::Ended, 0};
    }
    const ReadResult read = c.link.readSome(c.chunk.data(), c.chunk.size(), limit);
    if (read.status == ReadStatus::Ended) {
        c.streamEnded = true;
    } else if (read.status == ReadStatus::Data) {
        protocol_log::received(std::string_view(c.chunk.data(), read.count));
    }
    return read;
}

template <class Feed> void CMailSocket::receive(std::uint32_t timeoutMs, Feed feed) {
    lastReceiveComplete_ = false;
    if (!connection_) {
        return;
    }
    if (!surplus_.empty()) {
        // Already logged when it arrived with the end of the previous reply.
        const std::string early = std::exchange(surplus_, {});
        if (const auto end = feed(std::string_view(early))) {
            surplus_ = early.substr(*end);
            lastReceiveComplete_ = true;
            return;
        }
    }
    const WaitLimit limit = limitFromNow(boundedForTests(timeoutMs));
    for (;;) {
        if (aborted()) {
            return;
        }
        if (TickCount() >= limit.deadline) {
            protocol_log::note(kReceiveTimeoutNote);
            return;
        }
        const ReadResult read = readChunk(limit);
        if (read.status == ReadStatus::TimedOut) {
            protocol_log::note(kReceiveTimeoutNote);
        }
        if (read.status != ReadStatus::Data) {
            return;
        }
        const std::string_view bytes(connection_->chunk.data(), read.count);
        if (const auto end = feed(bytes)) {
            // A server may answer the next command in the same packet (or
            // pipeline untagged data behind a completion): keep it for the next receive.
            surplus_.assign(bytes.substr(*end));
            lastReceiveComplete_ = true;
            return;
        }
    }
}

bool CMailSocket::ReceiveSome(std::string& into, std::uint32_t timeoutMs) {
    if (!surplus_.empty()) {
        into += std::exchange(surplus_, {});
        return true;
    }
    if (!connection_) {
        return false;
    }
    const ReadResult read = readChunk(limitFromNow(boundedForTests(timeoutMs)));
    if (read.status == ReadStatus::Data) {
        into.append(connection_->chunk.data(), read.count);
    }
    return read.status != ReadStatus::Ended;
}

void CMailSocket::KeepAlive(int idleSeconds, int intervalSeconds, int probes) {
    if (connection_) {
        connection_->link.keepAlive(idleSeconds, intervalSeconds, probes);
    }
}

bool CMailSocket::tlsResumed() const {
    return connection_ && connection_->link.resumed();
}

void CMailSocket::Close() {
    surplus_.clear();
    if (!connection_) {
        return;
    }
    connection_->link.notifyClose();
    connection_->link.cancel();
    connection_.reset();
}

} // namespace ombrix
