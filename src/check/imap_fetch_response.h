#pragma once
// The untagged FETCH responses of an IMAP reply, each taken whole: its line,
// the literals it announces and the lines it goes on with after them, up to
// the line end that closes it. Mail text inside a literal is never read as a
// response of its own. Pure logic, no sockets.

#include <cstdint>
#include <optional>
#include <string_view>

namespace ombrix {

// The message number of a line that opens a FETCH response ("* " digits
// " FETCH", any case); none for any other line.
std::optional<std::uint64_t> imapFetchNumber(std::string_view line);

// The first FETCH response about message `number` whose own text (outside
// its literals) names `item` (any case), literals included; none when the
// reply holds no such response. A server may report other mails' flags
// beside the mail asked for, or split one mail's items over responses.
std::optional<std::string_view> imapFetchResponse(std::string_view reply, std::uint64_t number,
                                                  std::string_view item);

// Whether the reply holds an untagged EXPUNGE ("* n EXPUNGE", any case). No
// server may send one while it answers a FETCH: after it, message numbers
// name other mails than before.
bool imapReplyExpunges(std::string_view reply);

} // namespace ombrix
