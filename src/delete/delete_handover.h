#pragma once
// What the delete-mail command hands to the deletion run as it starts it: the
// account and, for each selected mail, its row in the mail list (the index
// into the account's mail list) and its position on the server. The run
// gets its own copy and only reads it.

#include "core/account_table.h"

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace ombrix {

struct DeletionRequest {
    std::int32_t account = -1; // the account whose mails the mail list shows; -1 = none
    std::vector<std::int32_t> mailIndex;
    std::vector<std::uint32_t> position; // one for each mailIndex
};

// The hand-over of the selected rows of `account` (slot `accountIndex` of the
// table), in the order given, with the server positions of those rows.
// nullopt when there is no row, more rows than kMaxMails, or a row outside
// the account's list.
std::optional<DeletionRequest> buildDeletionList(int accountIndex, const AccountRecord& account,
                                                 std::span<const int> rows);

// True when the hand-over names 1 to kMaxMails different mails of the
// account's list, each with a server position of its own that still matches
// the list. Nothing may be sent
// to a server for a hand-over that fails this.
bool deletionListValid(const DeletionRequest& request, const AccountRecord& account);

} // namespace ombrix
