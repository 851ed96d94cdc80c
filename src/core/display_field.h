#pragma once
// How stored bytes are shown. Mail data and settings stay byte strings; only
// the display converts: valid UTF-8 as it is, anything else read as windows-1252.

#include "platform/display_bytes.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace ombrix {

// One field on one line: displayText, with CR, LF and TAB each shown as one
// space and any other control character as '?', so a record stays one line
// and a stored field can never steer a terminal.
std::string displayField(std::string_view bytes);

// A mail's date as the mail list shows it: DD.MM.YYYY, the month and its
// point left out when the month is not 1 to 12.
std::string displayDate(std::uint8_t day, std::uint8_t month, std::int32_t year);

} // namespace ombrix
