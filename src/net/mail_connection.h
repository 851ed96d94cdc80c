#pragma once
// What one connect attempt shares between the caller and its name lookup.
// Each attempt opens its own named event, so a lookup that was given up by an
// aborted connect can never signal a later connection.

#include "net/link.h"
#include "platform/event.h"

#include <cstdint>
#include <vector>

namespace ombrix {

inline constexpr std::uint32_t kChunkCapacity = 300000;

struct MailConnection {
    MailConnection();

    Link link;
    EventHandle resolved; // "obxDNSresolved": the name lookup has finished
    bool streamEnded = false;
    std::vector<char> chunk; // the bytes of the last read
};

} // namespace ombrix
