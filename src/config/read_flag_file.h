#pragma once
// obx.rd: one read byte per listed mail, account by account. Meaningful only
// with the mail counts that obx.msf gave.

#include <string>
#include <string_view>

namespace ombrix {

std::string encodeReadFlagFile();

// A byte that is missing because the file ends early reads as "read".
void decodeReadFlagFile(std::string_view bytes);

} // namespace ombrix
