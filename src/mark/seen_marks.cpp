#include "mark/seen_marks.h"

#include <algorithm>

namespace ombrix {
namespace {

using Uids = std::vector<std::uint32_t>;

bool holds(const Uids& sorted, std::uint32_t uid) {
    return std::ranges::binary_search(sorted, uid);
}

Uids united(const Uids& a, const Uids& b) {
    Uids both;
    std::ranges::set_union(a, b, std::back_inserter(both));
    return both;
}

Uids without(const Uids& from, const Uids& gone) {
    Uids left;
    std::ranges::set_difference(from, gone, std::back_inserter(left));
    return left;
}

} // namespace

SeenMarks mergedMarks(const SeenMarks& earlier, const SeenMarks& later) {
    if (later.empty())
        return earlier;
    if (earlier.uidValidity != later.uidValidity)
        return later;
    return {later.uidValidity, united(without(earlier.seen, later.unseen), later.seen),
            united(without(earlier.unseen, later.seen), later.unseen)};
}

SeenMarks withoutMarks(const SeenMarks& pending, const SeenMarks& sent) {
    if (pending.uidValidity != sent.uidValidity)
        return pending;
    return {pending.uidValidity, without(pending.seen, sent.seen),
            without(pending.unseen, sent.unseen)};
}

SeenMarks marksOnListed(const SeenMarks& pending, std::string_view uidValidity,
                        std::span<const std::uint32_t> listed) {
    if (pending.uidValidity != uidValidity)
        return {};
    Uids sorted(listed.begin(), listed.end());
    std::ranges::sort(sorted);
    SeenMarks kept{pending.uidValidity, {}, {}};
    std::ranges::copy_if(pending.seen, std::back_inserter(kept.seen),
                         [&](std::uint32_t uid) { return holds(sorted, uid); });
    std::ranges::copy_if(pending.unseen, std::back_inserter(kept.unseen),
                         [&](std::uint32_t uid) { return holds(sorted, uid); });
    return kept;
}

} // namespace ombrix
