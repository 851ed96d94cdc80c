#pragma once
// Look-up of a server's unique id among the mails of the last check, so that
// mails already listed are copied instead of fetched again.

#include "core/account_table.h"

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>

namespace ombrix {

// Built once per account check from previousList; each look-up is then a hash
// probe instead of a scan of up to 3000 entries. The index owns copies of the
// ids, so it stays valid whatever happens to the list it was built from.
class PreviousUidIndex {
public:
    // Runs on the check thread.
    explicit PreviousUidIndex(const AccountRecord& previousList);
    // An index that answers nothing until buildOnce().
    PreviousUidIndex() = default;
    // Builds the index of previousList unless it is built already: a check
    // builds it only once it lists mails, before any entry moves.
    void buildOnce(const AccountRecord& previousList);

    // The lowest index j below the list's mailCount whose uid equals the
    // given id exactly (case-sensitive, line end included), or -1.
    // Runs on the check thread.
    int find(std::string_view uid) const;

private:
    struct TransparentHash {
        using is_transparent = void;
        std::size_t operator()(std::string_view text) const {
            return std::hash<std::string_view>{}(text);
        }
    };
    std::unordered_map<std::string, int, TransparentHash, std::equal_to<>> lowestIndex_;
    bool built_ = false;
};

// The same answer without a prepared index; for a single look-up only.
// Runs on the check thread.
int FindPreviousUid(std::string_view uid, const AccountRecord& previousList);

} // namespace ombrix
