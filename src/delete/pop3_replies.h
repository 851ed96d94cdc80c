#pragma once
// Reading the POP3 replies of the verification: which message a reply is
// about, the unique id it reports, and the subject of a TOP reply, each in the
// form in which the check stored it.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace ombrix {

// Stands for the unique id of every mail on a server that refuses UIDL.
inline constexpr std::string_view kNoUidl = "NOUIDL";

// The message number of the mail at this server position: position + 1 in
// decimal, all digits.
std::string pop3MessageNumber(std::uint32_t position);

// A positive reply "+OK n ..." about message `number`. UIDL n and LIST n
// replies name their message; one that does not is not the reply to ours.
bool pop3ReplyNames(std::string_view reply, std::string_view number);

// The unique id reported by a "UIDL n" reply: kNoUidl when the server refuses
// ("-E..."), else the text after the last blank with its line end, as stored
// by the check. None when the reply is about another message or unreadable.
std::optional<std::string> pop3CurrentUid(std::string_view reply, std::string_view number);

// The id step: the ids are equal. A mail stored as "NOUIDL" (the server had
// no UIDL) passes while the server still refuses UIDL, and then the subject
// decides; a mail stored with an id passes only when the server names that
// id: a refusal now proves nothing about which mail the position holds.
bool pop3UidPasses(std::string_view current, std::string_view stored);

// The message count of a STAT reply ("+OK count size"); 0 without digits.
std::uint64_t pop3StatCount(std::string_view reply);

// The subject of a TOP reply in the form the check lists it (decoded, without
// line feeds, "Kein Betreff" when empty). Runs on the deletion thread.
std::string pop3TopSubject(std::string_view reply);

} // namespace ombrix
