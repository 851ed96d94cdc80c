#include "net/mail_socket.h"

#include "check/run_flags.h"
#include "net/connection.h"
#include "net/protocol_log.h"
#include "net/reply_scanner.h"
#include "platform/event.h"

#include <algorithm>

namespace ombrix {

namespace {

constexpr std::uint32_t kResolveSliceMs = 6000;
constexpr std::uint32_t kDataSliceMs = 1000;

} // namespace

CMailSocket::~CMailSocket() {
    Close();
}

bool CMailSocket::ConnectPop3(const std::string& host, bool useSsl, const std::string& port) {
    return connect(host, useSsl, port);
}

bool CMailSocket::ConnectImap(const std::string& host, bool useSsl, const std::string& port) {
    if (!connect(host, useSsl, port)) {
        return false;
    }
    tagCounter_ = 0;
    return true;
}

bool CMailSocket::connect(const std::string& host, bool useSsl, const std::string& port) {
    Close();
    failureReason_.clear();
    auto attempt = std::make_shared<MailConnection>();
    attempt->resolved->reset();
    std::thread(resolveAndConnect, attempt, host, port, useSsl).detach();
    while (!attempt->resolved->wait(kResolveSliceMs)) {
        if (abortRequest) {
            // The resolver finishes alone; cancelling cuts its connect or hand-shake short.
            attempt->link.cancel();
            failureReason_ = "aborted";
            return false;
        }
    }
    if (!attempt->opened) {
        failureReason_ = attempt->link.failureReason();
        return false;
    }
    connection_ = attempt;
    reader_ = std::thread(readChunks, attempt);
    return true;
}

void CMailSocket::send(const std::string& bytes) {
    protocol_log::sent(bytes);
    if (connection_) {
        connection_->link.writeAll(bytes);
    }
}

void CMailSocket::SendLine(const std::string& line) {
    send(line);
}

void CMailSocket::SendTagged(const std::string& command) {
    lastCommand_ = imapTag(tagCounter_) + " " + command;
    send(lastCommand_);
    ++tagCounter_;
}

std::uint32_t CMailSocket::ReceiveReply(std::span<char> dest, std::uint32_t timeoutMs,
                                        std::uint32_t expectedSize, bool singleLine, bool dotList) {
    LineReplyScanner scanner(singleLine, dotList, expectedSize);
    return receive(dest, timeoutMs, scanner);
}

std::uint32_t CMailSocket::ReceiveTagged(std::span<char> dest, std::uint32_t timeoutMs,
                                         std::uint32_t /*sizeHint*/, bool tagged) {
    TaggedReplyScanner scanner(lastCommand_.substr(0, 4), tagged);
    std::uint32_t stored = receive(dest, timeoutMs, scanner);
    if (scanner.refused()) {
        imapRefused = 1;
    }
    return stored;
}

template <class Scanner>
std::uint32_t CMailSocket::receive(std::span<char> dest, std::uint32_t timeoutMs,
                                   Scanner& scanner) {
    BoundedSink sink(dest);
    if (!connection_) {
        return 0;
    }
    MailConnection& c = *connection_;
    auto stored = [&sink] { return static_cast<std::uint32_t>(sink.stored()); };
    c.chunkLength = 0;
    const std::uint64_t deadline = TickCount() + timeoutMs;
    c.receiveRequest->set();
    for (;;) {
        std::uint64_t now = TickCount();
        if (abortRequest) {
            return stored();
        }
        if (now >= deadline) {
            ++receiveTimeouts;
            return stored();
        }
        std::uint32_t length = c.chunkLength;
        if (length == 0) {
            // After the end of the stream nothing more can come; waiting out the
            // time-out would change nothing but the delay.
            if (c.streamEnded) {
                return stored();
            }
            c.dataHere->reset();
            length = c.chunkLength; // a chunk published just before the reset
            if (length == 0) {
                c.dataHere->wait(static_cast<std::uint32_t>(
                    std::min<std::uint64_t>(kDataSliceMs, deadline - now)));
                continue;
            }
        }
        std::string_view bytes(c.chunk.data(), length);
        protocol_log::received(bytes);
        bool ended = scanner.feed(bytes, sink);
        c.chunkLength = 0;
        c.dataHere->reset();
        if (ended) {
            return stored();
        }
        c.receiveRequest->set();
    }
}

void CMailSocket::Close() {
    if (!connection_) {
        return;
    }
    connection_->link.notifyClose();
    connection_->closing = true;
    connection_->link.cancel();
    connection_->receiveRequest->set();
    if (reader_.joinable()) {
        reader_.join();
    }
    connection_.reset();
}

} // namespace ombrix
