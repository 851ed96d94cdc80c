#include "core/account_table.h"

#include "platform/lasting_memory.h"

#include <algorithm>
#include <initializer_list>
#include <memory>
#include <new>

namespace ombrix {

namespace {

using Table = std::array<AccountRecord, kMaxAccounts>;

struct TableRelease {
    void operator()(Table* table) const noexcept {
        table->~Table();
        releaseLasting(table, sizeof(Table));
    }
};

} // namespace

std::array<AccountRecord, kMaxAccounts>& accountTable() {
    // About 12 MB of strings and arrays, every byte of it written when the
    // process starts: allocated once, never on a stack, in huge pages.
    static const std::unique_ptr<Table, TableRelease> table(new (allocateLasting(sizeof(Table)))
                                                                Table());
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
    // Field by field: a temporary AccountRecord would put 600 KB on the stack.
    for (std::string* text : {&a.name, &a.host, &a.user, &a.password, &a.port, &a.uidValidity,
                              &a.uidNext, &a.errorText, &a.oauthProvider})
        text->clear();
    for (auto* texts : {&a.date, &a.bodyPreview, &a.from, &a.subject, &a.uid})
        for (auto& text : *texts)
            text.clear();
    a.serverPosition.fill(0);
    a.read.fill(0);
    a.day.fill(0);
    a.month.fill(0);
    a.year.fill(0);
    a.size.fill(0);
    a.useSsl = a.protocol = a.deactivated = a.errorFlag = a.checked = a.passwordInKeyring = 0;
    a.mailCount = 0;
}

} // namespace ombrix
