#pragma once
// What the delete-mail command hands to the deletion run: the account and,
// for each selected mail, its row in the mail list (the index into the
// account's mail arrays) and its position on the server. The command writes
// it before it starts the run; the run only reads it.

#include "core/account_table.h"

#include <array>
#include <cstdint>
#include <span>

namespace ombrix {

// The account whose mails the mail list shows; -1 = none.
inline std::int32_t selectedAccount = -1;

inline std::uint32_t deleteCount = 0;
inline std::array<std::int32_t, kMaxMails> deleteMailIndex{};
inline std::array<std::uint32_t, kMaxMails> deletePosition{};

// Fills the hand-over from the selected rows, in the order given, with the
// server positions of those rows in `account`. False, and an empty hand-over,
// when there is no row, more rows than the arrays hold, or a row outside the
// account's list.
bool buildDeletionList(const AccountRecord& account, std::span<const int> rows);

void clearDeletionList();

// True when the hand-over names 1 to kMaxMails different mails of the
// account's list, each with a server position of its own that still matches
// the list. Nothing may be sent
// to a server for a hand-over that fails this.
bool deletionListValid(const AccountRecord& account);

} // namespace ombrix
