#pragma once
// The one gate through which a text becomes an account's errorText: whatever a
// server sends as its refusal is shown in the account list, its tooltip,
// message boxes and the command line's output, so it is cut to a sane length
// and stripped of everything that could steer a terminal or break a line.

#include <cstddef>
#include <string>
#include <string_view>

namespace ombrix {

inline constexpr std::size_t kMaxErrorTextBytes = 300;

// The text on one line: each run of CR, LF and TAB becomes one blank (none at
// either end), any other control character (C0, DEL, and C1 as the display
// reads the bytes) becomes '?'. Longer than kMaxErrorTextBytes, it is cut at a
// character boundary and ends with "...". Bytes stay bytes otherwise.
std::string boundedErrorText(std::string_view text);

} // namespace ombrix
