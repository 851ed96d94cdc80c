#include "core/account_table_ops.h"

#include "core/account_table.h"

#include <algorithm>
#include <utility>

namespace ombrix {

bool removeAccount(int index) {
    const int count = static_cast<int>(accountCount);
    if (index < 0 || index >= count || count > kMaxAccounts)
        return false;
    // Slot to slot: the strings and the mail lists move; no record ever sits
    // on the stack.
    for (int slot = index; slot + 1 < count; ++slot)
        accounts[slot] = std::move(accounts[slot + 1]);
    clearAccount(accounts[count - 1]);
    accountCount = static_cast<std::uint32_t>(count - 1);
    return true;
}

void markAccountRead(int index) {
    if (index < 0 || index >= kMaxAccounts || static_cast<std::uint32_t>(index) >= accountCount)
        return;
    AccountRecord& account = accounts[index];
    for (int i = 0; i < validMailCount(account); ++i)
        account.mails[i].read = 1;
}

void markAllAccountsRead() {
    for (int index = 0; index < static_cast<int>(accountCount) && index < kMaxAccounts; ++index)
        markAccountRead(index);
}

} // namespace ombrix
