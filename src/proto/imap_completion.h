#pragma once
// Whether an IMAP reply ended the way a command that was carried out ends:
// with that command's tagged OK, and where a keyword of it stands. Shared by
// the check and the deletion run.

#include <cstddef>
#include <string_view>

namespace ombrix {

// True when the reply ends with the tagged OK completion of `tag`: all of it
// arrived and the server did what it was asked. A reply cut short by a
// time-out or a closed connection has no such end.
bool imapCompletedOk(std::string_view reply, std::string_view tag);

// The tag of a tagged command line: what comes before its first blank.
std::string_view imapTagOf(std::string_view commandLine);

// Where a response keyword ("UIDVALIDITY") first stands in the reply: as
// written, or else in any case (keywords are case-insensitive, and some
// servers write them in lower case). The exact spelling goes first so that
// the same word in lower case inside a server's free text ("new messages")
// does not hide it. npos when it is missing.
std::size_t imapKeywordAt(std::string_view reply, std::string_view keyword);

} // namespace ombrix
