#include "net/connection.h"

namespace ombrix {
namespace {

std::string eventName(const char* base, unsigned serial) {
    return std::string(base) + "#" + std::to_string(serial);
}

unsigned nextSerial() {
    static std::atomic<unsigned> serial{0};
    return ++serial;
}

} // namespace

MailConnection::MailConnection() : chunk(kChunkCapacity) {
    unsigned serial = nextSerial();
    receiveRequest = openEvent(eventName("obxreceive", serial), false);
    dataHere = openEvent(eventName("obxdatahere", serial), true);
    resolved = openEvent(eventName("obxDNSresolved", serial), true);
}

void readChunks(std::shared_ptr<MailConnection> connection) {
    MailConnection& c = *connection;
    for (;;) {
        // Close() sets closing before it makes its request, and the reset
        // below can take that request back when it comes while a read is
        // under way: closing is looked at first, so such a Close never waits
        // for a request that is gone.
        if (!c.closing) {
            c.receiveRequest->wait(kWaitForever);
        }
        std::size_t count = c.closing ? 0 : c.link.readSome(c.chunk.data(), kChunkCapacity);
        if (count == 0) {
            c.streamEnded = true;
            c.chunkLength = 0;
            c.dataHere->set();
            return;
        }
        // The request is taken back before the chunk is published, so a new
        // request made after the consumer has read the chunk is never lost.
        c.receiveRequest->reset();
        c.chunkLength = static_cast<std::uint32_t>(count);
        c.dataHere->set();
    }
}

} // namespace ombrix
