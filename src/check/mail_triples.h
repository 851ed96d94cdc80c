#pragma once
// The (date, sender, subject) triples of an account's mails before its check:
// those that were read (readTriples) and all of them (knownTriples). A fetched
// mail is read when its triple was read before, and new when its triple was
// not listed before, whatever its unique id.

#include "core/account_table.h"

#include <string>
#include <unordered_set>
#include <vector>

namespace ombrix {

class MailTriples {
public:
    // Runs on the check thread.
    explicit MailTriples(const AccountRecord& previousList);
    // Triples that know no mail until buildOnce().
    MailTriples() = default;
    // Takes the triples of the last list unless taken already, also once
    // known mails have moved into the working list: entry j of the last list
    // is entry movedTo[j] of workingList where that is not -1 (or beyond
    // movedTo), else still entry j of previousList. A check that fetches
    // nothing never needs them.
    void buildOnce(const AccountRecord& previousList, const AccountRecord& workingList,
                   const std::vector<int>& movedTo);

    // Entry i of the list, compared field by field as exact bytes.
    bool readBefore(const AccountRecord& list, int i) const;
    bool knownBefore(const AccountRecord& list, int i) const;

private:
    static std::string key(const AccountRecord& list, int i);

    // Hash sets: 3000 fetched mails against 3000 listed ones stay linear.
    std::unordered_set<std::string> readTriples_;
    std::unordered_set<std::string> knownTriples_;
    bool built_ = false;
};

} // namespace ombrix
