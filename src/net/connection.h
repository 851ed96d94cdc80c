#pragma once
// What one connect attempt shares between the caller, the resolver thread and
// the reader thread. Each attempt opens its own trio of named events, so a
// resolver thread that was left behind by an aborted connect can never signal
// a later connection; the threads hold the attempt alive while they run.

#include "net/link.h"
#include "platform/event.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace ombrix {

inline constexpr std::uint32_t kChunkCapacity = 300000;

struct MailConnection {
    MailConnection();

    Link link;
    EventHandle receiveRequest;       // "obxreceive": the consumer wants the next chunk
    EventHandle dataHere;             // "obxdatahere": a chunk (or the stream's end) is ready
    EventHandle resolved;             // "obxDNSresolved": the resolver thread has finished
    std::atomic<bool> opened{false};  // the resolver's verdict, valid once `resolved` is set
    std::atomic<bool> closing{false}; // Close() asks the reader thread to end
    std::atomic<bool> streamEnded{false};
    std::vector<char> chunk;
    std::atomic<std::uint32_t> chunkLength{0};
};

// Resolver thread: opens the link and sets `resolved`.
void resolveAndConnect(std::shared_ptr<MailConnection> connection, std::string host,
                       std::string port, bool useTls);
// Reader thread: one read per receive request until the stream ends.
void readChunks(std::shared_ptr<MailConnection> connection);

} // namespace ombrix
