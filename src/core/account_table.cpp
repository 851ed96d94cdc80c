#include "core/account_table.h"

#include <algorithm>
#include <initializer_list>
#include <memory>

namespace ombrix {

std::array<AccountRecord, kMaxAccounts>& accountTable() {
    // A few kilobytes of settings until mails arrive.
    static const auto table = std::make_unique<std::array<AccountRecord, kMaxAccounts>>();
    return *table;
}

int validMailCount(const AccountRecord& account) {
    return std::clamp<int>(account.mailCount, 0, kMaxMails);
}

void clearAccount(AccountRecord& a) {
    for (std::string* text : {&a.name, &a.host, &a.user, &a.password, &a.port, &a.uidValidity,
                              &a.uidNext, &a.errorText, &a.oauthProvider, &a.highestModseq})
        text->clear();
    a.mails.clear();
    a.useSsl = a.protocol = a.deactivated = a.errorFlag = a.checked = a.passwordInKeyring = 0;
    a.mailCount = a.newMails = 0;
    a.passwordItemBefore.reset();
}

} // namespace ombrix
