#include "delete/delete_handover.h"

#include <algorithm>
#include <vector>

namespace ombrix {

namespace {

bool allDifferent(std::vector<std::int64_t> values) {
    std::ranges::sort(values);
    return std::ranges::adjacent_find(values) == values.end();
}

} // namespace

bool buildDeletionList(const AccountRecord& account, std::span<const int> rows) {
    clearDeletionList();
    const int count = validMailCount(account);
    if (rows.empty() || rows.size() > kMaxMails)
        return false;
    if (std::ranges::any_of(rows, [count](int row) { return row < 0 || row >= count; }))
        return false;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        deleteMailIndex[i] = rows[i];
        deletePosition[i] = account.serverPosition[rows[i]];
    }
    deleteCount = static_cast<std::uint32_t>(rows.size());
    return true;
}

void clearDeletionList() {
    deleteCount = 0;
    deleteMailIndex.fill(0);
    deletePosition.fill(0);
}

bool deletionListValid(const AccountRecord& account) {
    if (deleteCount < 1 || deleteCount > kMaxMails)
        return false;
    const int count = validMailCount(account);
    std::vector<std::int64_t> indices;
    std::vector<std::int64_t> positions;
    for (std::uint32_t i = 0; i < deleteCount; ++i) {
        if (deleteMailIndex[i] < 0 || deleteMailIndex[i] >= count)
            return false;
        // A list re-sorted or replaced since the command copied the position.
        if (account.serverPosition[deleteMailIndex[i]] != deletePosition[i])
            return false;
        indices.push_back(deleteMailIndex[i]);
        positions.push_back(deletePosition[i]);
    }
    return allDifferent(std::move(indices)) && allDifferent(std::move(positions));
}

} // namespace ombrix
