#pragma once
// A notification as a desktop draws it: the sender's icon and name, the
// summary in bold, the body in the markup a server allows and a button per
// action but the default one (which a click on the bubble would invoke).

#include "tools/notification_server.h"

#include <QFrame>

namespace ombrix::standin {

class NotificationBubble : public QFrame {
    Q_OBJECT

public:
    explicit NotificationBubble(const Notification& notification, QWidget* parent = nullptr);

signals:
    void actionChosen(const QString& key);
};

} // namespace ombrix::standin
