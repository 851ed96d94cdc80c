#include "check/mail_sort.h"

#include "platform/ascii.h"

#include <algorithm>
#include <numeric>
#include <tuple>
#include <utility>
#include <vector>

namespace ombrix {
namespace {

// The leading character, compared as a signed code; an empty text sorts as 0.
signed char subjectKey(const std::string& subject) {
    return static_cast<signed char>(asciiLower(subject.empty() ? '\0' : subject[0]));
}

// A sender such as "Name" <a@b> or <a@b> sorts by the character after the
// quotation mark or bracket.
signed char senderKey(const std::string& from) {
    char key = from.empty() ? '\0' : from[0];
    if (!isAsciiLetterOrDigit(key) && from.size() > 1)
        key = from[1];
    return static_cast<signed char>(asciiLower(key));
}

using DateKey = std::tuple<std::int32_t, std::uint8_t, std::uint8_t, std::uint32_t>;

DateKey dateKey(const AccountRecord& a, int i) {
    return {a.year[i], a.month[i], a.day[i], a.serverPosition[i]};
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
            count, [&](int i) { return subjectKey(a.subject[i]); }, order == kSortSubjectAscending);
    case kSortSenderAscending:
    case kSortSenderDescending:
        return orderBy<signed char>(
            count, [&](int i) { return senderKey(a.from[i]); }, order == kSortSenderAscending);
    case kSortDateNewestFirst:
    case kSortDateOldestFirst:
        return orderBy<DateKey>(
            count, [&](int i) { return dateKey(a, i); }, order == kSortDateOldestFirst);
    default:
        return {};
    }
}

// Moves each entry once to its new place; order[k] is the old index of the
// entry that ends at k.
template <typename T> void applyOrder(MailArray<T>& values, const std::vector<int>& order) {
    std::vector<T> sorted;
    sorted.reserve(order.size());
    for (int from : order)
        sorted.push_back(std::move(values[from]));
    std::move(sorted.begin(), sorted.end(), values.begin());
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
    applyOrder(a.date, newOrder);
    applyOrder(a.bodyPreview, newOrder);
    applyOrder(a.serverPosition, newOrder);
    applyOrder(a.read, newOrder);
    applyOrder(a.from, newOrder);
    applyOrder(a.subject, newOrder);
    applyOrder(a.uid, newOrder);
    applyOrder(a.day, newOrder);
    applyOrder(a.month, newOrder);
    applyOrder(a.year, newOrder);
    applyOrder(a.size, newOrder);
}

void SortMailList(int accountIndex, std::uint8_t order) {
    if (isAccountIndex(accountIndex))
        SortMailList(accounts[accountIndex], order);
}

void SwapMails(AccountRecord& a, int i) {
    if (i < 0 || i + 1 >= kMaxMails)
        return;
    std::swap(a.date[i], a.date[i + 1]);
    std::swap(a.bodyPreview[i], a.bodyPreview[i + 1]);
    std::swap(a.serverPosition[i], a.serverPosition[i + 1]);
    std::swap(a.read[i], a.read[i + 1]);
    std::swap(a.from[i], a.from[i + 1]);
    std::swap(a.subject[i], a.subject[i + 1]);
    std::swap(a.uid[i], a.uid[i + 1]);
    std::swap(a.day[i], a.day[i + 1]);
    std::swap(a.month[i], a.month[i + 1]);
    std::swap(a.year[i], a.year[i + 1]);
    std::swap(a.size[i], a.size[i + 1]);
}

void SwapMails(int i, int accountIndex) {
    if (isAccountIndex(accountIndex))
        SwapMails(accounts[accountIndex], i);
}

} // namespace ombrix
