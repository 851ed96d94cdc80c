#pragma once
// The check's conversation with an IMAP server: login, EXAMINE INBOX, the
// UIDNEXT and MESSAGES status, a shortcut when nothing changed, the UID list
// (known mails are copied from the last list), header, text start and size of
// each unknown mail, LOGOUT.

#include "check/account_check.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace ombrix {

// Fills check.workingList, or sets the account's errorFlag and errorText.
// Closes the connection and sets the account's checked in every case.
// Runs on the check thread.
void runImapDialogue(AccountCheck& check);

// The UIDs of messages first .. first + count - 1 from the FETCH responses of
// a "FETCH first:* UID" reply: entry k holds the UID item of the response
// about message first + k, whatever the order of the responses and of their
// items, or is empty when no response named one. Lines that are no FETCH
// response with a UID (EXISTS, RECENT, flag updates, the completion) are
// skipped, and text inside another item is no UID, so no mail takes another
// mail's UID.
std::vector<std::string_view> imapFetchUids(std::string_view reply, std::uint64_t first, int count);

// The RFC822.SIZE value of the reply's first FETCH response, wherever it
// stands among its items; 0 without one.
std::uint32_t imapRfc822Size(std::string_view reply);

// A size item's value: its leading decimal digits, UINT32_MAX when they
// overflow, 0 without any.
std::uint32_t imapSizeValue(std::string_view value);

} // namespace ombrix
