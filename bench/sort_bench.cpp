// Timings of the mail-list sort on a full account and of the unique-id look-up
// of a 3000-mail check against a 3000-mail previous list. Prints the best and
// median of several rounds; asserts nothing.

#include "check/mail_sort.h"
#include "check/previous_uid_index.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>
#include <random>
#include <string>
#include <vector>

namespace {

using namespace ombrix;
using Clock = std::chrono::steady_clock;

constexpr int kRounds = 15;

void fillRandomMails(AccountRecord& account, std::mt19937& random) {
    const char* senders[] = {"\"Alice\" <a@x.example>", "bob@y.example", "<carol@z.example>",
                             "Dave <d@w.example>", "=?utf-8?q?Eve?= <e@v.example>"};
    auto pick = [&](int bound) { return std::uniform_int_distribution<int>(0, bound - 1)(random); };
    for (int i = 0; i < kMaxMails; ++i) {
        account.mails.setFrom(i, senders[pick(5)]);
        account.mails.setSubject(i, std::string(1, static_cast<char>('A' + pick(26))) +
                                        "ubject line " + std::to_string(i));
        account.mails.setDate(i, "Tue, 18 Jan 2005 10:00:00 +0100");
        account.mails.setBodyPreview(i, std::string(400, 'b'));
        account.mails.setUid(i, "UID" + std::to_string(100000 + i) + "\r\n");
        account.mails[i].serverPosition = static_cast<std::uint32_t>(i);
        account.mails[i].year = 2000 + pick(10);
        account.mails[i].month = static_cast<std::uint8_t>(1 + pick(12));
        account.mails[i].day = static_cast<std::uint8_t>(1 + pick(28));
        account.mails[i].size = pick(100000);
        account.mails[i].read = static_cast<std::uint8_t>(pick(2));
    }
    account.mailCount = kMaxMails;
}

struct Timing {
    double bestMs;
    double medianMs;
};

template <typename Prepare, typename Work> Timing measure(Prepare prepare, Work work) {
    std::vector<double> ms;
    for (int round = 0; round < kRounds; ++round) {
        prepare();
        const auto start = Clock::now();
        work();
        ms.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
    }
    std::sort(ms.begin(), ms.end());
    return {ms.front(), ms[ms.size() / 2]};
}

void benchSort(std::uint8_t order, const char* label) {
    auto account = std::make_unique<AccountRecord>();
    std::mt19937 random(order);
    const Timing timing =
        measure([&] { fillRandomMails(*account, random); }, [&] { SortMailList(*account, order); });
    std::printf("sort %-22s 3000 mails: best %7.3f ms, median %7.3f ms\n", label, timing.bestMs,
                timing.medianMs);
}

void benchUidLookup() {
    auto previousList = std::make_unique<AccountRecord>();
    std::mt19937 random(7);
    fillRandomMails(*previousList, random);
    std::vector<std::string> serverIds;
    for (int i = 0; i < kMaxMails; ++i) // every tenth mail is new on the server
        serverIds.push_back("UID" + std::to_string(100000 + i + (i % 10 == 0 ? kMaxMails : 0)) +
                            "\r\n");
    long found = 0;
    const Timing timing = measure([] {},
                                  [&] {
                                      const PreviousUidIndex index(*previousList);
                                      for (const std::string& id : serverIds)
                                          found += index.find(id) >= 0;
                                  });
    std::printf("uid look-up 3000 x 3000 (index built each round): best %7.3f ms, median %7.3f ms"
                " (%ld hits)\n",
                timing.bestMs, timing.medianMs, found / kRounds);
}

} // namespace

int main() {
    benchSort(kSortSubjectAscending, "subject ascending");
    benchSort(kSortSubjectDescending, "subject descending");
    benchSort(kSortSenderAscending, "sender ascending");
    benchSort(kSortSenderDescending, "sender descending");
    benchSort(kSortDateNewestFirst, "date newest first");
    benchSort(kSortDateOldestFirst, "date oldest first");
    benchUidLookup();
    return 0;
}
