#pragma once
// The marks that have not reached an account's server yet, kept in
// ombrix.conf until the next check of the account sends them:
//     pendingMarks/imap/993/imap.example.org/anna=1700000000 seen=4,9 unseen=7
// An account with nothing pending has no entry.

#include "config/conf_keys.h"
#include "config/program_conf.h"
#include "mark/seen_marks.h"
#include "platform/secret_store.h"

#include <string>
#include <string_view>
#include <system_error>

namespace ombrix {

// Nothing for a missing entry, and for one that no version wrote: a mark
// that cannot be read cannot be sent to the right mail either.
SeenMarks pendingMarksOf(const ProgramConf& conf, const SecretKey& account);
// An empty set removes the entry.
void setPendingMarks(ProgramConf& conf, const SecretKey& account, const SeenMarks& marks);

// UIDs name mails of one mailbox only: an edit that gives the account another
// server, user, protocol or port drops its pending marks, and so does the
// deletion of the last account of a name. The caller holds the table.
std::error_code pendingMarksFollowEdit(const SecretKey& before, const SecretKey& after);
std::error_code pendingMarksFollowDeletion(const SecretKey& deleted);

std::string pendingMarksText(const SeenMarks& marks);
SeenMarks parsePendingMarks(std::string_view text);

} // namespace ombrix
