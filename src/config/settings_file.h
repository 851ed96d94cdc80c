#pragma once
// obx.dat: the account list and the notification and window settings. The
// functions work on the text as the program sees it (LF line ends); the text
// mode conversion to and from the disk bytes happens around them.

#include <string>
#include <string_view>

namespace ombrix {

// The whole file for the current `settings`, accounts 0..accountCount-1.
std::string encodeSettingsFile();

enum class SettingsRead { Loaded, WrongHeader };

// Fills `settings`, `accountCount` and the accounts' persistent fields from
// the text, showing the read-failure message where a value is missing. With a
// wrong first line the header-mismatch defaults are taken and no account.
SettingsRead decodeSettingsFile(std::string_view text);

std::string scramblePassword(std::string_view password);
std::string unscramblePassword(std::string_view stored);

} // namespace ombrix
