#pragma once
// The values that POP3 status lines carry. Pure logic, no sockets.

#include <cstdint>
#include <string_view>

namespace ombrix {

// The octet count of a LIST reply ("+OK n size"): the digits after the space
// that follows the message number; 0 when there are none.
std::uint32_t pop3ListSize(std::string_view reply);

} // namespace ombrix
