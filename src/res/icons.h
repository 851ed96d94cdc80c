#pragma once
// The program's pictures by resource number, drawn as SVG so they stay sharp
// at any scale.

#include <QIcon>
#include <QPixmap>

namespace ombrix::res {

enum IconId : int {
    kIconWindow = 128,
    kIconMailRead = 135,
    kIconIdle = 141,
    kIconFailure = 142,
    kIconChecking = 143,
    kIconNotChecked = 147,
    kIconAccountUnread = 148,
    kIconNewMail = 151,
    kBitmapBanner = 155,
    kIconSpeaker = 156,
    kIconDeactivated = 166,
};

// The resource path of a picture (":/res/icons/..."), empty for an unknown id.
const char* iconPath(int id);

// A null icon for an unknown id.
QIcon icon(int id);

// The picture drawn at exactly `size` device-independent pixels.
QPixmap pixmap(int id, QSize size);

} // namespace ombrix::res
