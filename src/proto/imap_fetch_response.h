#pragma once
// The untagged FETCH responses of an IMAP reply, each taken whole: its line,
// the literals it announces and the lines it goes on with after them, up to
// the line end that closes it. Mail text inside a literal is never read as a
// response of its own. A server may report other mails' flags beside the
// mail asked for, or split one mail's items over responses. Pure logic, no
// sockets.

#include "proto/imap_fetch_items.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string_view>
#include <vector>

namespace ombrix {

// The message number of a line that opens a FETCH response ("* " digits
// " FETCH", any case); none for any other line.
std::optional<std::uint64_t> imapFetchNumber(std::string_view line);

// Calls visit(number, response) for each FETCH response of the reply, in
// the order they came.
void forEachImapFetchResponse(
    std::string_view reply,
    const std::function<void(std::uint64_t number, std::string_view response)>& visit);

// The first item `wanted` (see imapItemIs) of the FETCH responses about
// message `number`, wherever it stands among the items and whichever of the
// responses holds it; none when no response carries it.
std::optional<ImapFetchItem> imapFetchItem(std::string_view reply, std::uint64_t number,
                                           std::string_view wanted);

// Whether the reply holds an untagged EXPUNGE ("* n EXPUNGE", any case). No
// server may send one while it answers a FETCH: after it, message numbers
// name other mails than before.
bool imapReplyExpunges(std::string_view reply);

// The UIDs of messages first .. first + count - 1 from the FETCH responses of
// a "FETCH first:* UID" reply: entry k holds the UID item of the response
// about message first + k, whatever the order of the responses and of their
// items, or is empty when no response named one. Lines that are no FETCH
// response with a UID (EXISTS, RECENT, flag updates, the completion) are
// skipped, and text inside another item is no UID, so no mail takes another
// mail's UID.
std::vector<std::string_view> imapFetchUids(std::string_view reply, std::uint64_t first, int count);

// The RFC822.SIZE value of the reply's first FETCH response, wherever it
// stands among its items; 0 without one.
std::uint32_t imapRfc822Size(std::string_view reply);

// A size item's value: its leading decimal digits, UINT32_MAX when they
// overflow, 0 without any.
std::uint32_t imapSizeValue(std::string_view value);

} // namespace ombrix
