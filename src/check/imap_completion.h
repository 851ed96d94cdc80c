#pragma once
// Whether an IMAP reply ended the way a command that was carried out ends:
// with that command's tagged OK. Shared by the check and the deletion run.

#include <string_view>

namespace ombrix {

// True when the reply ends with the tagged OK completion of `tag`: all of it
// arrived and the server did what it was asked. A reply cut short by a
// time-out or a closed connection has no such end.
bool imapCompletedOk(std::string_view reply, std::string_view tag);

// The tag of a tagged command line: what comes before its first blank.
std::string_view imapTagOf(std::string_view commandLine);

} // namespace ombrix
