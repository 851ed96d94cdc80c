#include "config/read_flag_file.h"

#include "core/account_table.h"

#include <algorithm>

namespace ombrix {

std::string encodeReadFlagFile() {
    std::string bytes;
    const auto count = std::min<std::uint32_t>(accountCount, kMaxAccounts);
    for (std::uint32_t k = 0; k < count; ++k)
        for (int i = 0; i < validMailCount(accounts[k]); ++i)
            bytes += static_cast<char>(accounts[k].mails[i].read != 0 ? 1 : 0);
    return bytes;
}

void decodeReadFlagFile(std::string_view bytes) {
    std::size_t next = 0;
    const auto count = std::min<std::uint32_t>(accountCount, kMaxAccounts);
    for (std::uint32_t k = 0; k < count; ++k)
        for (int i = 0; i < validMailCount(accounts[k]); ++i, ++next)
            accounts[k].mails[i].read = next >= bytes.size() || bytes[next] != 0 ? 1 : 0;
}

} // namespace ombrix
