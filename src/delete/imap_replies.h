#pragma once
// Reading the IMAP replies of the deletion: the capabilities the server
// announces, the UIDs of a UID SEARCH, and the header that a UID FETCH
// returned for one UID. A reply is taken for what its own lines say: each
// FETCH response names its UID, and one without a UID is about no mail of ours.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace ombrix {

// True when an untagged CAPABILITY response of the reply names `capability`
// (any case) as one of its words.
bool imapAnnounces(std::string_view reply, std::string_view capability);

// The numbers of the reply's untagged SEARCH responses; none when the reply
// holds no SEARCH response at all (an empty result is "* SEARCH" alone).
std::optional<std::vector<std::uint32_t>> imapSearchNumbers(std::string_view reply);

// The text of the BODY[...] item (a literal or a quoted string) of the FETCH
// response that names UID `uid`. None when no complete FETCH response of the
// reply names that UID together with a body: the mail is gone, or the reply is
// not about it.
std::optional<std::string> imapFetchedBody(std::string_view reply, std::uint32_t uid);

// The UIDVALIDITY that a SELECT reply names, as its digits; empty when the
// reply names none.
std::string imapUidValidity(std::string_view selectReply);

// The UIDs as an IMAP sequence set, in the order given ("13,11").
std::string imapUidSet(std::span<const std::uint32_t> uids);

// The stored uid as a number: the digits once every blank is gone, 1 to
// 4294967295. None for anything else (a set, a range, nothing), which could
// name other mails than the selected one.
std::optional<std::uint32_t> imapUidNumber(std::string_view storedUid);

} // namespace ombrix
