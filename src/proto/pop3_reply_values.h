#pragma once
// The values that POP3 replies carry: status lines, listings and the
// capabilities of CAPA. Pure logic, no sockets.

#include <cstdint>
#include <optional>
#include <string_view>

namespace ombrix {

// The octet count of a LIST reply ("+OK n size"): the digits after the space
// that follows the message number; 0 when there are none.
std::uint32_t pop3ListSize(std::string_view reply);

// A size as a LIST line gives it: its leading decimal digits, UINT32_MAX
// when they overflow, 0 without any.
std::uint32_t pop3SizeValue(std::string_view digits);

// What follows capability `name` (any case) on its line of a CAPA listing,
// without the blank and the line end; none when a "+OK" listing lacks it,
// and for any other reply.
std::optional<std::string_view> pop3Capability(std::string_view capaReply, std::string_view name);

} // namespace ombrix
