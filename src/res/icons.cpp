#include "res/icons.h"

namespace ombrix::res {

const char* iconPath(int id) {
    switch (id) {
    case kIconWindow:
    case kIconIdle:
        return ":/res/icons/idle.svg";
    case kIconMailRead:
        return ":/res/icons/mail_read.svg";
    case kIconFailure:
        return ":/res/icons/failure.svg";
    case kIconChecking:
        return ":/res/icons/checking.svg";
    case kIconNotChecked:
        return ":/res/icons/not_checked.svg";
    case kIconAccountUnread:
        return ":/res/icons/account_unread.svg";
    case kIconNewMail:
        return ":/res/icons/new_mail.svg";
    case kBitmapBanner:
        return ":/res/icons/banner.svg";
    case kIconSpeaker:
        return ":/res/icons/speaker.svg";
    case kIconDeactivated:
        return ":/res/icons/deactivated.svg";
    default:
        return "";
    }
}

QIcon icon(int id) {
    const char* path = iconPath(id);
    return *path ? QIcon(QString::fromLatin1(path)) : QIcon();
}

QPixmap pixmap(int id, QSize size) {
    return icon(id).pixmap(size);
}

} // namespace ombrix::res
