#include "app/arrival_announcement.h"

#include "check/account_status.h"
#include "core/account_table.h"
#include "core/commit_bracket.h"
#include "core/language.h"

#include <algorithm>
#include <tuple>

namespace ombrix {
namespace {

struct UnreadMail {
    int account;
    int index;
    std::tuple<std::int32_t, std::uint8_t, std::uint8_t, std::uint32_t> age;
};

bool newerThan(const UnreadMail& a, const UnreadMail& b) {
    if (a.age != b.age)
        return a.age > b.age;
    return std::tie(a.account, a.index) < std::tie(b.account, b.index);
}

std::vector<UnreadMail> unreadMails(const AccountFilter& announced) {
    std::vector<UnreadMail> mails;
    const int count = static_cast<int>(std::min<std::uint32_t>(accountCount, kMaxAccounts));
    for (int k = 0; k < count; ++k) {
        const AccountRecord& account = accounts[k];
        if (accountStatus(account).image != kImageUnread || (announced && !announced(k)))
            continue;
        for (int i = 0; i < validMailCount(account); ++i)
            if (account.mails[i].read == 0)
                mails.push_back({k,
                                 i,
                                 {account.mails[i].year, account.mails[i].month,
                                  account.mails[i].day, account.mails[i].serverPosition}});
    }
    return mails;
}

} // namespace

std::string arrivalSummary(std::uint32_t unread) {
    const char* tail =
        unread == 1 ? Text(" neue Mail", " new mail") : Text(" neue Mails", " new mails");
    return std::to_string(unread) + tail;
}

std::string arrivalMore(std::uint32_t more) {
    return Text("und ", "and ") + std::to_string(more) + Text(" weitere", " more");
}

ArrivalAnnouncement describeArrivals(const AccountFilter& announced, std::size_t maxLines) {
    const TableAccess access;
    std::vector<UnreadMail> mails = unreadMails(announced);
    const std::size_t shown = std::min(maxLines, mails.size());
    std::partial_sort(mails.begin(), mails.begin() + static_cast<std::ptrdiff_t>(shown),
                      mails.end(), newerThan);
    ArrivalAnnouncement announcement;
    announcement.summary = arrivalSummary(static_cast<std::uint32_t>(mails.size()));
    for (std::size_t n = 0; n < shown; ++n) {
        const AccountRecord& account = accounts[mails[n].account];
        announcement.lines.push_back({std::string(account.mails.from(mails[n].index)),
                                      std::string(account.mails.subject(mails[n].index))});
    }
    if (mails.size() > shown)
        announcement.more = arrivalMore(static_cast<std::uint32_t>(mails.size() - shown));
    return announcement;
}

} // namespace ombrix
