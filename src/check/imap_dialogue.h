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
// a "FETCH first:* UID" reply: entry k holds the UID that the line of message
// first + k names, whatever the order of the lines, or is empty when no line
// named one. Lines that are no FETCH response with a UID (EXISTS, RECENT, flag
// updates, the completion) are skipped, so no mail takes another mail's UID.
std::vector<std::string_view> imapFetchUids(std::string_view reply, std::uint64_t first, int count);

// The RFC822.SIZE value of the first line of a reply or of one FETCH
// response; 0 without one.
std::uint32_t imapRfc822Size(std::string_view reply);

} // namespace ombrix
