#include "check/account_status.h"

#include "core/language.h"

namespace ombrix {

namespace {

int unreadCount(const AccountRecord& account) {
    int unread = 0;
    for (int i = 0; i < validMailCount(account); ++i)
        unread += account.mails[i].read == 0 ? 1 : 0;
    return unread;
}

std::string checkedText(int unread, int count) {
    const std::string u = std::to_string(unread);
    const std::string old = std::to_string(count - unread);
    if (unread == 0)
        return Text("keine neuen Mails (", "no new mails (") + std::to_string(count) +
               Text(" alt)", " old)");
    const std::string head = u + Text(" neue Mail im Postfach !", " new mails !");
    if (unread == count)
        return head;
    return head + " (" + old + Text(" alt)", " old)");
}

} // namespace

AccountStatus accountStatus(const AccountRecord& account) {
    if (account.deactivated == 1)
        return {kImageDeactivated,
                Text("Deaktiviert - Konto wird nicht geprüft",
                     "deactivated - account will not be checked"),
                0};
    if (account.errorFlag == 1)
        return {kImageFailed, Text("Fehler: ", "Error: ") + account.errorText, 0};
    if (account.checked == 1 && account.mailCount < 1)
        return {kImageChecked, Text("Leer - keine Mails", "Empty - no mails"), 0};
    if (account.checked == 1) {
        const int unread = unreadCount(account);
        return {unread == 0 ? kImageChecked : kImageUnread,
                checkedText(unread, validMailCount(account)), unread};
    }
    return {
        kImageNotChecked,
        Text("Aktiviert - Überprüfung steht aus", "activated - account will be checked next time"),
        0};
}

std::string unreadNotifyLine(const AccountRecord& account, int unread) {
    const char* tail = unread == 1 ? Text(" neue Mail !\n", " new mail !\n")
                                   : Text(" neue Mails !\n", " new mails !\n");
    return account.name + ": " + std::to_string(unread) + tail;
}

} // namespace ombrix
