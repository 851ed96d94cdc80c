#include "proto/reply_buffer.h"

#include "core/run_flags.h"
#include "net/mail_socket.h"

#include <algorithm>

namespace ombrix {

std::string_view ReplyBuffer::receiveReply(CMailSocket& socket, std::uint32_t timeoutMs,
                                           std::uint32_t expectedSize, bool singleLine,
                                           bool dotList) {
    length_ = 0;
    const std::uint32_t stored =
        socket.ReceiveReply(bytes_, timeoutMs, expectedSize, singleLine, dotList);
    complete_ = socket.lastReceiveComplete();
    refused_ = false;
    continued_ = false;
    completionLine_.clear();
    length_ = std::min<std::size_t>(stored, bytes_.size());
    return text();
}

std::string_view ReplyBuffer::receiveTagged(CMailSocket& socket, std::uint32_t timeoutMs,
                                            std::uint32_t sizeHint, bool tagged) {
    length_ = 0;
    return taggedTaken(socket, socket.ReceiveTagged(bytes_, timeoutMs, sizeHint, tagged));
}

std::string_view ReplyBuffer::receiveContinuable(CMailSocket& socket, std::uint32_t timeoutMs) {
    length_ = 0;
    return taggedTaken(socket, socket.ReceiveContinuable(bytes_, timeoutMs));
}

std::string_view ReplyBuffer::taggedTaken(const CMailSocket& socket, std::uint32_t stored) {
    complete_ = socket.lastReceiveComplete();
    refused_ = socket.lastReplyRefused();
    continued_ = socket.lastReplyContinued();
    completionLine_ = socket.lastCompletionLine();
    if (refused_ && report_ == RefusalReport::RunFlag) {
        imapRefused = 1; // the dialogues read and clear it
    }
    length_ = std::min<std::size_t>(stored, bytes_.size());
    return text();
}

} // namespace ombrix
