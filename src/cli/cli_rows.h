#pragma once
// The account index and the mail rows that the commands on mails take, as
// --list numbers them.

#include "core/account_table.h"

#include <string>
#include <string_view>
#include <vector>

namespace ombrix {

// A whole number of at least 0; a UsageError of `command` names `what`.
int commandNumber(std::string_view command, const std::string& text, const char* what);

// The rows as the mail list reports a selection: each once, top to bottom.
// A UsageError for a row the account's list does not have.
std::vector<int> selectedRows(std::string_view command, const std::vector<std::string>& texts,
                              const AccountRecord& account, const std::string& accountText);

} // namespace ombrix
