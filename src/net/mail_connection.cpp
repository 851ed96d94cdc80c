#include "net/mail_connection.h"

#include <atomic>
#include <string>

namespace ombrix {

MailConnection::MailConnection() : chunk(kChunkCapacity) {
    static std::atomic<unsigned> serial{0};
    resolved = openEvent("obxDNSresolved#" + std::to_string(++serial), true);
}

} // namespace ombrix
