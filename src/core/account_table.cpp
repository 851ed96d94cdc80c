#include "core/account_table.h"

#include <algorithm>
#include <initializer_list>
#include <memory>

namespace ombrix {

std::array<AccountRecord, kMaxAccounts>& accountTable() {
    // A few kilobytes of settings and chunk pointers until mails arrive.
    static const auto table = std::make_unique<std::array<AccountRecord, kMaxAccounts>>();
    return *table;
}

MailEntry mailAt(const AccountRecord& a, int i) {
    return MailEntry{
        a.date[i], a.bodyPreview[i], a.serverPosition[i], a.read[i], a.from[i], a.subject[i],
        a.uid[i],  a.day[i],         a.month[i],          a.year[i], a.size[i]};
}

void storeMail(AccountRecord& a, int i, const MailEntry& m) {
    a.date[i] = m.date;
    a.bodyPreview[i] = m.bodyPreview;
    a.serverPosition[i] = m.serverPosition;
    a.read[i] = m.read;
    a.from[i] = m.from;
    a.subject[i] = m.subject;
    a.uid[i] = m.uid;
    a.day[i] = m.day;
    a.month[i] = m.month;
    a.year[i] = m.year;
    a.size[i] = m.size;
}

int validMailCount(const AccountRecord& account) {
    return std::clamp<int>(account.mailCount, 0, kMaxMails);
}

void clearAccount(AccountRecord& a) {
    for (std::string* text : {&a.name, &a.host, &a.user, &a.password, &a.port, &a.uidValidity,
                              &a.uidNext, &a.errorText, &a.oauthProvider, &a.highestModseq})
        text->clear();
    for (auto* texts : {&a.date, &a.bodyPreview, &a.from, &a.subject, &a.uid})
        texts->clear();
    a.serverPosition.clear();
    a.read.clear();
    a.day.clear();
    a.month.clear();
    a.year.clear();
    a.size.clear();
    a.useSsl = a.protocol = a.deactivated = a.errorFlag = a.checked = a.passwordInKeyring = 0;
    a.mailCount = a.newMails = 0;
    a.passwordItemBefore.reset();
}

} // namespace ombrix
