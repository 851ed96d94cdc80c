// libFuzzer entry: any byte string is a fetched mail. The parser must stay inside
// the input, consume no more than it was given and build a tree no deeper than
// its nesting limit.

#include "mime/message_part.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

namespace {

int depthOf(const ombrix::MessagePart& part) {
    int deepest = 0;
    for (const auto& child : part.children)
        deepest = std::max(deepest, 1 + depthOf(*child));
    return deepest;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    ombrix::MessagePart part;
    const long loaded = part.load(std::string_view(reinterpret_cast<const char*>(data), size));
    if (loaded < 0 || static_cast<std::size_t>(loaded) > size)
        std::abort();
    if (depthOf(part) > ombrix::MessagePart::kMaxNestingDepth)
        std::abort();
    (void)part.getSubject();
    return 0;
}
