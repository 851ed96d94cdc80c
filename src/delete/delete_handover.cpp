#include "delete/delete_handover.h"

#include <algorithm>

namespace ombrix {

namespace {

bool allDifferent(std::vector<std::int64_t> values) {
    std::ranges::sort(values);
    return std::ranges::adjacent_find(values) == values.end();
}

} // namespace

std::optional<DeletionRequest> buildDeletionList(int accountIndex, const AccountRecord& account,
                                                 std::span<const int> rows) {
    const int count = validMailCount(account);
    if (rows.empty() || rows.size() > kMaxMails)
        return std::nullopt;
    if (std::ranges::any_of(rows, [count](int row) { return row < 0 || row >= count; }))
        return std::nullopt;
    DeletionRequest request;
    request.account = accountIndex;
    for (const int row : rows) {
        request.mailIndex.push_back(row);
        request.position.push_back(account.mails[row].serverPosition);
    }
    return request;
}

bool deletionListValid(const DeletionRequest& request, const AccountRecord& account) {
    const std::size_t selected = request.mailIndex.size();
    if (selected < 1 || selected > kMaxMails || request.position.size() != selected)
        return false;
    const int count = validMailCount(account);
    std::vector<std::int64_t> indices;
    std::vector<std::int64_t> positions;
    for (std::size_t i = 0; i < selected; ++i) {
        const std::int32_t k = request.mailIndex[i];
        if (k < 0 || k >= count)
            return false;
        // A list re-sorted or replaced since the command copied the position.
        if (account.mails[k].serverPosition != request.position[i])
            return false;
        indices.push_back(k);
        positions.push_back(request.position[i]);
    }
    return allDifferent(std::move(indices)) && allDifferent(std::move(positions));
}

} // namespace ombrix
