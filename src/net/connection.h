#pragma once
// What one connect attempt shares between the caller, its name lookup and the
// reader thread. Each attempt opens its own trio of named events, so a lookup
// that was given up by an aborted connect can never signal a later connection;
// the reader thread holds the connection alive while it runs.

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
    EventHandle resolved;             // "obxDNSresolved": the name lookup has finished
    std::atomic<bool> closing{false}; // Close() asks the reader thread to end
    std::atomic<bool> streamEnded{false};
    std::vector<char> chunk;
    std::atomic<std::uint32_t> chunkLength{0};
};

// Reader thread: one read per receive request until the stream ends.
void readChunks(std::shared_ptr<MailConnection> connection);

} // namespace ombrix
