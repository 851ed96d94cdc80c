#pragma once
// Turns the text that the check fetched for one mail (a POP3 TOP reply or an
// IMAP header-and-text FETCH reply, status lines included) into the sender,
// subject, date and body preview of a mail-list entry.

#include "core/account_table.h"

#include <optional>
#include <string>
#include <string_view>

namespace ombrix {

class MessagePart;

enum class FetchForm { Pop3, Imap };

// Fills subject, from, date, day, month, year and bodyPreview of entry i of
// the working list; an index outside the list's 3000 places changes nothing.
// Runs on the check thread.
void ParseFetchedMail(std::string_view fetched, AccountRecord& workingList, int i, FetchForm form);

// As above for the IMAP items read apart: the BODY[HEADER] octets and the
// text of BODY[TEXT] (none when the server sent NIL, an empty string or no
// text). The preview is the text after the CR LF that announced it, as the
// reply form gives it. Runs on the check thread.
void ParseFetchedImapMail(std::string_view header, std::optional<std::string_view> text,
                          AccountRecord& workingList, int i);

// The text after the first empty line, without the reply's framing: for
// POP3 the closing ".\r\n", for IMAP the literal's announcement line and the
// closing parenthesis with all after it. Empty without an empty line.
// Runs on the check thread.
std::string bodyPreviewOf(std::string_view fetched, FetchForm form);

// The subject as listed: "Kein Betreff" for an empty one (in both languages),
// then without line feeds (so a subject of only line feeds ends up empty).
std::string listedSubject(std::string_view subject);

// The decoded subject of a parsed mail in the form the list stores it. The
// deletion run proves a mail by comparing this with the stored subject, so
// there is one rule for both.
std::string listedSubjectOf(const MessagePart& message);
// As above, for mail text (a header alone will do) that is parsed first.
std::string listedSubjectOf(std::string_view mailText);

} // namespace ombrix
