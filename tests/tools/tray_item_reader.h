#pragma once
// What a tray host reads of a StatusNotifierItem to draw it: the icon from
// IconPixmap and the tooltip, each by Properties.Get as hosts do.

#include <QDBusArgument>
#include <QDBusConnection>
#include <QImage>
#include <QString>

namespace ombrix::standin {

struct TrayItem {
    QImage icon; // the largest picture the item offers; null when it offers none
    QString toolTipTitle;
    QString toolTipText;
    QString error; // why the item could not be read; empty when it could
};

TrayItem readTrayItem(QDBusConnection bus, const QString& service, const QString& path);

// (iiay) pictures, ARGB32 in network byte order; the largest one.
QImage largestPixmap(const QDBusArgument& pixmaps);

} // namespace ombrix::standin
