#pragma once
// The display's reading of stored bytes, the counterpart of the Windows ANSI
// code page: valid UTF-8 is taken as it is, anything else as Latin-1. Mail
// data and settings stay byte strings; only what is shown converts.

#include <string>
#include <string_view>

namespace ombrix {

bool isValidUtf8(std::string_view bytes);

// The bytes as UTF-8: unchanged when they are valid UTF-8, else each byte
// taken as its Latin-1 character.
std::string displayText(std::string_view bytes);

} // namespace ombrix
