#pragma once
// The display's reading of stored bytes, the counterpart of the Windows ANSI
// code page: valid UTF-8 is taken as it is, anything else as windows-1252
// (Latin-1 for the five bytes it leaves undefined). Mail data and settings
// stay byte strings; only what is shown converts.

#include <string>
#include <string_view>

namespace ombrix {

bool isValidUtf8(std::string_view bytes);

// The bytes as UTF-8: unchanged when they are valid UTF-8, else each byte
// taken as its windows-1252 character.
std::string displayText(std::string_view bytes);

// Whether a byte of a text that is not UTF-8 shows as a C1 control character:
// 0x81, 0x8D, 0x8F, 0x90 and 0x9D, which windows-1252 leaves undefined.
bool readsAsC1Control(unsigned char byte);

} // namespace ombrix
