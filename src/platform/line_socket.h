#pragma once
// The client side of a one-line request over a local (Unix domain) stream
// socket: connect, write the line, wait until the server has taken it and
// closed. No Qt, so that the command line can ask the desktop program.

#include <string>

namespace ombrix {

// True when a server listened at `path` and closed the connection after
// reading `line` (which ends in '\n'), all within `timeoutMs`.
bool sendLineToSocket(const std::string& path, const std::string& line, int timeoutMs);

} // namespace ombrix
