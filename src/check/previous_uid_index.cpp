#include "check/previous_uid_index.h"

namespace ombrix {

PreviousUidIndex::PreviousUidIndex(const AccountRecord& previousList) {
    buildOnce(previousList);
}

void PreviousUidIndex::buildOnce(const AccountRecord& previousList) {
    if (built_)
        return;
    built_ = true;
    const int count = validMailCount(previousList);
    lowestIndex_.reserve(static_cast<std::size_t>(count));
    // emplace keeps the first entry of an id: duplicates answer the lowest index.
    for (int j = 0; j < count; ++j)
        lowestIndex_.emplace(previousList.mails.uid(j), j);
}

int PreviousUidIndex::find(std::string_view uid) const {
    const auto found = lowestIndex_.find(uid);
    return found == lowestIndex_.end() ? -1 : found->second;
}

int FindPreviousUid(std::string_view uid, const AccountRecord& previousList) {
    return PreviousUidIndex(previousList).find(uid);
}

} // namespace ombrix
