#pragma once
// What the account list shows for one account: its state image and its status
// text, by the first case that applies (deactivated, failed, empty, checked,
// not checked yet). Shared by the window's list and the command line.

#include "core/account_table.h"

#include <string>

namespace ombrix {

// The account list's state images.
enum AccountImage : int {
    kImageChecked = 0,     // checked, no unread mail or no mail at all
    kImageFailed = 1,      // the last check failed
    kImageUnread = 2,      // unread mail waits
    kImageNotChecked = 3,  // active, not checked yet
    kImageDeactivated = 4, // not checked at all
};

struct AccountStatus {
    AccountImage image = kImageNotChecked;
    std::string text;
    int unread = 0; // mails with read = 0 (counted only for a checked account)
};

AccountStatus accountStatus(const AccountRecord& account);

// The line of the tray tooltip and the pop-up for an account with unread mail:
// name + ": " + count + " new mail(s) !\n".
std::string unreadNotifyLine(const AccountRecord& account, int unread);

} // namespace ombrix
