#pragma once
// The literal announcement that may close an IMAP line: "{n}", or LITERAL+'s
// "{n+}" (RFC 7888), which servers send too. Pure logic, no sockets.

#include <cstdint>
#include <optional>
#include <string_view>

namespace ombrix {

// n when the line (its CR LF or LF may be there or not) ends with an
// announcement of n octets; none for any other line end.
std::optional<std::uint64_t> imapLiteralAnnounced(std::string_view line);

} // namespace ombrix
