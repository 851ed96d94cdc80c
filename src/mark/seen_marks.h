#pragma once
// Marks made in Ombrix that an IMAP server is still to learn: which mails are
// read now and which unread again, by UID, under the UIDVALIDITY of the list
// they were made on (under another one the same UIDs name other mails).

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace ombrix {

struct SeenMarks {
    std::string uidValidity;
    std::vector<std::uint32_t> seen;   // ascending, each once
    std::vector<std::uint32_t> unseen; // ascending, each once, none also seen

    bool empty() const { return seen.empty() && unseen.empty(); }
    bool operator==(const SeenMarks&) const = default;
};

// `later` on top of `earlier`: the last mark of a mail counts. Marks under
// another UIDVALIDITY than the later ones name mails that are gone: dropped.
// No later marks leave the earlier as they are.
SeenMarks mergedMarks(const SeenMarks& earlier, const SeenMarks& later);

// What is left of `pending` once `sent` reached the server. A mail marked
// the other way meanwhile keeps its newer mark.
SeenMarks withoutMarks(const SeenMarks& pending, const SeenMarks& sent);

// The marks of mails that a list under `uidValidity` still holds: a mail that
// left the list was expunged, and a new UIDVALIDITY renames every mail.
SeenMarks marksOnListed(const SeenMarks& pending, std::string_view uidValidity,
                        std::span<const std::uint32_t> listed);

} // namespace ombrix
