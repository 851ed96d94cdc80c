#pragma once
// The unknown mails of an IMAP listing in a few round trips: UID FETCH over
// sets of them, the next batch sent before the previous one completes, each
// response paired with its mail by UID in whatever order it comes. A mail is
// taken from a batch only when the batch completed with its OK and the mail's
// responses came whole; everything else is left to the one-mail dialogue,
// which then stores exactly what it always stored.

#include "check/account_check.h"
#include "proto/imap_fetch_items.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ombrix {

struct ImapBatchLimits {
    int mailsPerBatch = 100;
    int batchesInFlight = 3;
    // What one batch may hold in memory; responses beyond it are left to the
    // one-mail dialogue.
    std::size_t batchBytes = 4 * 1024 * 1024;
};

// Fetches the mails marked in check.fetchList and records each one taken.
// Returns the indices still to fetch one at a time (in list order), or none
// when the account failed or the run was aborted. countText is the server's
// count for the progress text. Runs on the check thread.
std::optional<std::vector<int>> fetchImapMailBatches(AccountCheck& check,
                                                     const std::string& countText,
                                                     const ImapBatchLimits& limits = {});

// Fills sender, subject, date and preview of entry i from a mail's
// BODY[HEADER] item and its BODY[TEXT] item (none, NIL or an empty string:
// no preview), read where they lie; quoted strings lose their escapes.
void parseImapMailItems(AccountRecord& workingList, int i, const ImapFetchItem& header,
                        const std::optional<ImapFetchItem>& text);

// The UID set of a batch: single UIDs separated by commas, a run of
// consecutive ones as "first:last".
std::string imapUidSet(const std::vector<std::uint64_t>& uids);

} // namespace ombrix
