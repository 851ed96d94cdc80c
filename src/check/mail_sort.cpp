#include "check/mail_sort.h"

#include "platform/ascii.h"

#include <algorithm>
#include <numeric>
#include <string_view>
#include <tuple>
#include <utility>
#include <vector>

namespace ombrix {
namespace {

// The leading character, compared as a signed code; an empty text sorts as 0.
signed char subjectKey(std::string_view subject) {
    return static_cast<signed char>(asciiLower(subject.empty() ? '\0' : subject[0]));
}

// A sender such as "Name" <a@b> or <a@b> sorts by the character after the
// quotation mark or bracket.
signed char senderKey(std::string_view from) {
    char key = from.empty() ? '\0' : from[0];
    if (!isAsciiLetterOrDigit(key) && from.size() > 1)
        key = from[1];
    return static_cast<signed char>(asciiLower(key));
}

using DateKey = std::tuple<std::int32_t, std::uint8_t, std::uint8_t, std::uint32_t>;

DateKey dateKey(const AccountRecord& a, int i) {
    const MailFields& m = a.mails[i];
    return {m.year, m.month, m.day, m.serverPosition};
}

// comesFirst(x, y) holds exactly when the pair (y, x) would be swapped, so a
// stable sort by it yields the bubble sort's result.
template <typename Key>
std::vector<int> stableOrder(int count, const std::vector<Key>& keys, bool ascending) {
    std::vector<int> order(static_cast<std::size_t>(count));
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&](int x, int y) {
        return ascending ? keys[x] < keys[y] : keys[y] < keys[x];
    });
    return order;
}

// Whether the stable sort would leave every entry where it is: no entry's
// key comes before its predecessor's. A list sorted at the last check mostly
// is, and this look costs no allocation.
template <typename KeyOf> bool inOrder(int count, KeyOf keyOf, bool ascending) {
    for (int i = 0; i + 1 < count; ++i) {
        const auto earlier = keyOf(i);
        const auto later = keyOf(i + 1);
        if (ascending ? later < earlier : earlier < later)
            return false;
    }
    return true;
}

template <typename Key, typename KeyOf> std::vector<Key> keysOf(int count, KeyOf keyOf) {
    std::vector<Key> keys;
    keys.reserve(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i)
        keys.push_back(keyOf(i));
    return keys;
}

// The stable order of the entries by one key; empty when it is the order they have.
template <typename Key, typename KeyOf>
std::vector<int> orderBy(int count, KeyOf keyOf, bool ascending) {
    if (inOrder(count, keyOf, ascending))
        return {};
    return stableOrder(count, keysOf<Key>(count, keyOf), ascending);
}

// Empty when nothing moves (or the order is none of the known ones).
std::vector<int> sortedOrder(const AccountRecord& a, int count, std::uint8_t order) {
    switch (order) {
    case kSortSubjectAscending:
    case kSortSubjectDescending:
        return orderBy<signed char>(
            count, [&](int i) { return subjectKey(a.mails.subject(i)); },
            order == kSortSubjectAscending);
    case kSortSenderAscending:
    case kSortSenderDescending:
        return orderBy<signed char>(
            count, [&](int i) { return senderKey(a.mails.from(i)); },
            order == kSortSenderAscending);
    case kSortDateNewestFirst:
    case kSortDateOldestFirst:
        return orderBy<DateKey>(
            count, [&](int i) { return dateKey(a, i); }, order == kSortDateOldestFirst);
    default:
        return {};
    }
}

bool isAccountIndex(int accountIndex) {
    return accountIndex >= 0 && accountIndex < kMaxAccounts;
}

} // namespace

void SortMailList(AccountRecord& a, std::uint8_t order) {
    const int count = validMailCount(a);
    if (count < 2)
        return;
    const std::vector<int> newOrder = sortedOrder(a, count, order);
    if (newOrder.empty())
        return;
    a.mails.reorder(newOrder);
}

void SortMailList(int accountIndex, std::uint8_t order) {
    if (isAccountIndex(accountIndex))
        SortMailList(accounts[accountIndex], order);
}

void SwapMails(AccountRecord& a, int i) {
    if (i < 0 || i + 1 >= kMaxMails)
        return;
    a.mails.swapMails(i, i + 1);
}

void SwapMails(int i, int accountIndex) {
    if (isAccountIndex(accountIndex))
        SwapMails(accounts[accountIndex], i);
}

} // namespace ombrix
