#pragma once
// The buffer into which a run receives every reply: emptied before each
// command, filled from its start, never written past its capacity (a longer
// reply is cut).

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace ombrix {

class CMailSocket;

class ReplyBuffer {
public:
    static constexpr std::size_t kCheckCapacity = 200000;

    explicit ReplyBuffer(std::size_t capacity = kCheckCapacity) : bytes_(capacity) {}

    // One POP3 reply (see CMailSocket::ReceiveReply). Runs on the worker thread.
    std::string_view receiveReply(CMailSocket& socket, std::uint32_t timeoutMs,
                                  std::uint32_t expectedSize, bool singleLine, bool dotList);
    // One IMAP reply or the greeting (see CMailSocket::ReceiveTagged). Runs on
    // the worker thread.
    std::string_view receiveTagged(CMailSocket& socket, std::uint32_t timeoutMs,
                                   std::uint32_t sizeHint, bool tagged);

    std::string_view text() const { return {bytes_.data(), length_}; }
    // Whether the last receive ended where its reply ends; a reply cut short by
    // the time-out, the end of the stream or an abort is only a reply's start.
    bool complete() const { return complete_; }
    std::size_t capacity() const { return bytes_.size(); }

private:
    std::vector<char> bytes_;
    std::size_t length_ = 0;
    bool complete_ = false;
};

} // namespace ombrix
