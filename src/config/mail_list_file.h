#pragma once
// obx.msf: every account's mail list as the last check left it, so the lists
// are shown at start-up before the first check. A pure cache.

#include <string>
#include <string_view>

namespace ombrix {

// The lists of accounts 0..accountCount-1, every entry below its mail count.
std::string encodeMailListFile();

// Fills the lists of accounts 0..accountCount-1 in slot order and marks each
// one read completely as checked. Where the bytes end early or a length runs
// past them, reading stops: the accounts before keep their lists, that one
// and the rest stay empty. Entries beyond the table's 3000 are read and
// dropped, so the accounts after them stay in step.
void decodeMailListFile(std::string_view bytes);

} // namespace ombrix
