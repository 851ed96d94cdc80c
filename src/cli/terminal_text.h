#pragma once
// Text that a server or a provider sent (or that came from one and was
// stored) on its way to a terminal. It always arrives as valid UTF-8: bytes
// that are not are read as windows-1252, as the display reads them. Every
// control character is shown as \xNN (its code point in hex: \x1B, \x07,
// \x9B), so that no byte of a server can steer the terminal or hide itself.

#include <string>
#include <string_view>

namespace ombrix {

// One field on one line: CR, LF and TAB become one space each, so that one
// record stays one line.
std::string terminalLine(std::string_view bytes);

// A message of several lines (a run's message box): LF stays the line break
// and CR goes; each line is converted on its own, so that the program's own
// UTF-8 lines read right beside a server's windows-1252 one.
std::string terminalMessage(std::string_view text);

} // namespace ombrix
