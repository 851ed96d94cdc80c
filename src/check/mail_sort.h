#pragma once
// The order of an account's mail list: by subject, sender or date, as the
// mail list header was last clicked.

#include "core/account_table.h"

#include <cstdint>

namespace ombrix {

// The codes of sortOrder; any other value keeps the server's order.
enum SortOrderCode : std::uint8_t {
    kSortSubjectAscending = 2,
    kSortSubjectDescending = 3,
    kSortSenderAscending = 4,
    kSortSenderDescending = 5,
    kSortDateNewestFirst = 6,
    kSortDateOldestFirst = 7,
};

// Sorts the mails of the account (0 .. mailCount - 1) by the order code. The
// result is the order of a bubble sort that swaps only pairs strictly out of
// order: mails with equal keys keep their relative order.
// Runs on the check thread and on the window thread.
void SortMailList(AccountRecord& account, std::uint8_t order);

// Sorts accounts[accountIndex] by the order code; an index outside the table
// does nothing.
void SortMailList(int accountIndex, std::uint8_t order);

// Exchanges entries i and i + 1, all their fields; a pair that does not lie
// inside the list's 3000 places is left alone.
void SwapMails(AccountRecord& account, int i);
void SwapMails(int i, int accountIndex);

} // namespace ombrix
