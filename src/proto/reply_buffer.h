#pragma once
// The buffer into which a run receives every reply: emptied before each
// command, filled from its start, never written past its capacity (a longer
// reply is cut).

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace ombrix {

class CMailSocket;

// Where a refused IMAP reply (tagged NO or BAD) is reported: in the run flag
// imapRefused, which the dialogues of the one active run read and clear, or
// only in the buffer, for a connection beside the runs (an IDLE watcher) that
// must not touch the runs' flag.
enum class RefusalReport { RunFlag, BufferOnly };

class ReplyBuffer {
public:
    static constexpr std::size_t kCheckCapacity = 200000;

    explicit ReplyBuffer(std::size_t capacity = kCheckCapacity,
                         RefusalReport report = RefusalReport::RunFlag)
        : bytes_(capacity), report_(report) {}

    // One POP3 reply (see CMailSocket::ReceiveReply). Runs on the worker thread.
    std::string_view receiveReply(CMailSocket& socket, std::uint32_t timeoutMs,
                                  std::uint32_t expectedSize, bool singleLine, bool dotList);
    // One IMAP reply or the greeting (see CMailSocket::ReceiveTagged). Runs on
    // the worker thread.
    std::string_view receiveTagged(CMailSocket& socket, std::uint32_t timeoutMs,
                                   std::uint32_t sizeHint, bool tagged);

    // As receiveTagged for a command that the server may answer with a
    // continuation request ("+ ..."): see continued(). Runs on the worker thread.
    std::string_view receiveContinuable(CMailSocket& socket, std::uint32_t timeoutMs);

    std::string_view text() const { return {bytes_.data(), length_}; }
    // Whether the last receive ended where its reply ends; a reply cut short by
    // the time-out, the end of the stream or an abort is only a reply's start.
    bool complete() const { return complete_; }
    std::size_t capacity() const { return bytes_.size(); }
    // Whether the last IMAP reply ended with a tagged NO or BAD.
    bool refused() const { return refused_; }
    RefusalReport refusalReport() const { return report_; }
    // Whether the last IMAP reply ended at a continuation request.
    bool continued() const { return continued_; }
    // The line that ended the last IMAP reply, line end included: kept even
    // when the reply was cut at the buffer's end before it.
    std::string_view completionLine() const { return completionLine_; }

private:
    // Takes over what the socket's last tagged receive stored and reported.
    std::string_view taggedTaken(const CMailSocket& socket, std::uint32_t stored);

    std::vector<char> bytes_;
    std::size_t length_ = 0;
    bool complete_ = false;
    bool refused_ = false;
    bool continued_ = false;
    std::string completionLine_;
    RefusalReport report_;
};

} // namespace ombrix
