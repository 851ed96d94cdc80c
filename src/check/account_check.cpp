#include "check/account_check.h"

#include "check/check_run.h"
#include "core/error_text.h"
#include "core/run_flags.h"
#include "proto/session_texts.h"

#include <algorithm>
#include <charconv>
#include <utility>

namespace ombrix {

namespace {

// Message numbers above this are no mailbox's: they would not survive the
// arithmetic of the list's positions.
constexpr std::uint64_t kMaxMessageCount = INT32_MAX;

} // namespace

void AccountCheck::fail(std::string text) {
    account.errorFlag = 1;
    account.errorText = boundedErrorText(text);
}

bool AccountCheck::aborted() const {
    return abortRequest != 0;
}

bool AccountCheck::answered() {
    if (aborted())
        return false;
    if (reply.text().empty() || !reply.complete()) {
        fail(session_texts::noResponse());
        return false;
    }
    return true;
}

void AccountCheck::prepareLastList() {
    if (takePreviousList)
        std::exchange(takePreviousList, {})();
    previousUids.buildOnce(previousList);
}

void AccountCheck::beginListing(std::uint64_t serverCount) {
    prepareLastList();
    const int listed = static_cast<int>(std::min<std::uint64_t>(serverCount, kMaxMails));
    firstNumber = serverCount - static_cast<std::uint64_t>(listed) + 1;
    workingList.mailCount = listed;
    workingList.mails.clear();
    workingList.mails.reserve(listed, 0);
    workingList.mails.resize(listed);
    fetchList.assign(static_cast<std::size_t>(listed), 0);
    movedTo.assign(static_cast<std::size_t>(validMailCount(previousList)), -1);
    keptFrom.assign(static_cast<std::size_t>(listed), -1);
}

void AccountCheck::takeUid(int i, std::string_view uid) {
    const int j = reuseKnownMails ? previousUids.find(uid) : -1;
    if (j < 0) {
        fetchList[static_cast<std::size_t>(i)] = 1;
        workingList.mails.setUid(i, uid);
        return;
    }
    // The last list holds no previews (the slot keeps them until the commit),
    // so an entry taken over costs its short texts.
    int& moved = movedTo[static_cast<std::size_t>(j)];
    if (moved < 0)
        moved = i;
    workingList.mails.copyMail(i, previousList.mails, j);
    keptFrom[static_cast<std::size_t>(i)] = j;
    workingList.mails[i].serverPosition = static_cast<std::uint32_t>(messageNumber(i) - 1);
}

void AccountCheck::keepPreviousList() {
    if (takePreviousList) {
        lastListKept = true;
        return;
    }
    const int count = validMailCount(previousList);
    workingList.mailCount = count;
    std::swap(workingList.mails, previousList.mails);
    workingList.mails.resize(count);
    keptFrom.resize(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i)
        keptFrom[static_cast<std::size_t>(i)] = i;
}

void AccountCheck::recordFetched(int i) {
    triples.buildOnce(previousList, workingList, movedTo);
    const std::optional<bool> seen =
        followServer ? serverSeen.seen(workingList.mails.uid(i)) : std::nullopt;
    if (seen)
        workingList.mails[i].read = *seen ? 1 : 0;
    else
        workingList.mails[i].read = triples.readBefore(workingList, i) ? 1 : 0;
    if (!triples.knownBefore(workingList, i) && !seen.value_or(false)) {
        ++newMailCount;
        ++newMails;
    }
    workingList.mails[i].serverPosition = static_cast<std::uint32_t>(messageNumber(i) - 1);
}

std::optional<std::uint64_t> readMessageCount(std::string_view text, std::size_t pos) {
    if (pos >= text.size())
        return std::nullopt;
    std::uint64_t count = 0;
    const char* begin = text.data() + pos;
    const auto [end, error] = std::from_chars(begin, text.data() + text.size(), count);
    if (end == begin || error != std::errc{} || count > kMaxMessageCount)
        return std::nullopt;
    return count;
}

} // namespace ombrix
