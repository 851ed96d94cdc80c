#pragma once
// The check's conversation with a POP3 server: login, STAT, UIDL (known mails
// are copied from the last list), LIST and TOP n 100 for each unknown mail with
// a NOOP keep-alive in between (a silent NOOP means a new session), QUIT.

#include "check/account_check.h"

#include <cstdint>
#include <string_view>

namespace ombrix {

// Fills check.workingList, or sets the account's errorFlag and errorText.
// Closes the connection in every case. Runs on the check thread.
void runPop3Dialogue(AccountCheck& check);

// The octet count of a LIST reply ("+OK n size"): the digits after the space
// that follows the message number; 0 when there are none.
std::uint32_t pop3ListSize(std::string_view reply);

} // namespace ombrix
