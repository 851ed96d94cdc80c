#include "mark/pending_marks.h"

#include "config/account_conf_key.h"
#include "config/account_entries.h"
#include "delete/imap_replies.h"

#include <algorithm>
#include <optional>

namespace ombrix {
namespace {

constexpr std::string_view kSeenField = "seen=";
constexpr std::string_view kUnseenField = "unseen=";

std::vector<std::string_view> splitAt(std::string_view text, char separator) {
    std::vector<std::string_view> parts;
    while (!text.empty()) {
        const std::size_t end = std::min(text.find(separator), text.size());
        if (end > 0)
            parts.push_back(text.substr(0, end));
        text.remove_prefix(std::min(end + 1, text.size()));
    }
    return parts;
}

std::optional<std::vector<std::uint32_t>> uidList(std::string_view text) {
    std::vector<std::uint32_t> uids;
    for (const std::string_view part : splitAt(text, ',')) {
        const std::optional<std::uint32_t> uid = imapUidNumber(part);
        if (!uid)
            return std::nullopt;
        uids.push_back(*uid);
    }
    std::ranges::sort(uids);
    uids.erase(std::unique(uids.begin(), uids.end()), uids.end());
    return uids;
}

bool allDigits(std::string_view text) {
    return !text.empty() && std::ranges::all_of(text, [](char c) { return c >= '0' && c <= '9'; });
}

} // namespace

std::string pendingMarksText(const SeenMarks& marks) {
    std::string text = marks.uidValidity;
    if (!marks.seen.empty())
        text += " " + std::string(kSeenField) + imapUidSet(marks.seen);
    if (!marks.unseen.empty())
        text += " " + std::string(kUnseenField) + imapUidSet(marks.unseen);
    return text;
}

SeenMarks parsePendingMarks(std::string_view text) {
    const std::vector<std::string_view> words = splitAt(text, ' ');
    if (words.empty() || !allDigits(words.front()))
        return {};
    SeenMarks marks{std::string(words.front()), {}, {}};
    for (std::size_t i = 1; i < words.size(); ++i) {
        const bool seen = words[i].starts_with(kSeenField);
        if (!seen && !words[i].starts_with(kUnseenField))
            return {};
        const auto uids = uidList(words[i].substr(seen ? kSeenField.size() : kUnseenField.size()));
        if (!uids)
            return {};
        (seen ? marks.seen : marks.unseen) = *uids;
    }
    // A hand-edited mail in both lists: its read state is not known.
    const SeenMarks both = withoutMarks(marks, {marks.uidValidity, marks.unseen, marks.seen});
    return both.empty() ? SeenMarks{} : both;
}

SeenMarks pendingMarksOf(const ProgramConf& conf, const SecretKey& account) {
    const std::optional<std::string> value = conf.value(accountConfKey(kConfPendingMarks, account));
    return value ? parsePendingMarks(*value) : SeenMarks{};
}

void setPendingMarks(ProgramConf& conf, const SecretKey& account, const SeenMarks& marks) {
    const std::string key = accountConfKey(kConfPendingMarks, account);
    if (marks.empty())
        conf.erase(key);
    else
        conf.set(key, pendingMarksText(marks));
}

std::error_code pendingMarksFollowEdit(const SecretKey& before, const SecretKey& after) {
    return entriesFollowEdit({kConfPendingMarks}, before, after, OnRename::Drop);
}

std::error_code pendingMarksFollowDeletion(const SecretKey& deleted) {
    return entriesFollowDeletion({kConfPendingMarks}, deleted);
}

} // namespace ombrix
