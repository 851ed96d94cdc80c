#pragma once
// How recent an IMAP account's read flags are, kept in ombrix.conf because
// obx.msf has no field for it: the mailbox's HIGHESTMODSEQ when the flags of
// the list were last brought in line with the server, after the UIDVALIDITY
// it belongs to:
//     highestModseq/imap/993/imap.example.org/anna=1700000000 4711
// The entries are written with the lists and after them, never by a check
// run: an entry must not claim flags newer than obx.rd holds, or a mail read
// elsewhere would stay unread here until its flags changed again.

#include "config/conf_keys.h"
#include "config/program_conf.h"

#include <map>
#include <string>

namespace ombrix {

// What the table's lists call for, key by key: the value, or "" where the
// entry must go. Accounts that share a name (server, user, port) share an
// entry, which then holds the oldest of their modseqs, or none when they
// disagree about UIDVALIDITY or one of them knows none. The caller holds the
// table.
std::map<std::string, std::string> highestModseqEntries();
// Whether the entries differ from what conf holds, and conf changed to them.
bool applyHighestModseqs(ProgramConf& conf, const std::map<std::string, std::string>& entries);
// Saves the entries in ombrix.conf unless it holds them already.
void keepHighestModseqs(const std::map<std::string, std::string>& entries);

// Start-up, after obx.msf: each IMAP account's highestModseq from conf, where
// the entry's UIDVALIDITY is its list's. The caller holds the table (or no
// other thread runs yet).
void loadHighestModseqs(const ProgramConf& conf);

} // namespace ombrix
