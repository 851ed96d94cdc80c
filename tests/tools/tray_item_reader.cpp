#include "tools/tray_item_reader.h"

#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QtEndian>

namespace ombrix::standin {
namespace {

constexpr int kBoundMs = 5000;

QImage imageFromArgb(int width, int height, const QByteArray& argb) {
    if (width <= 0 || height <= 0 || argb.size() != qsizetype(width) * height * 4)
        return {};
    QImage image(width, height, QImage::Format_ARGB32);
    const auto* pixels = reinterpret_cast<const uchar*>(argb.constData());
    for (int y = 0; y < height; ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < width; ++x)
            line[x] = qFromBigEndian<quint32>(pixels + (qsizetype(y) * width + x) * 4);
    }
    return image;
}

// Properties.Get's answer, still marshalled; an error message when it failed.
QDBusMessage itemProperty(QDBusConnection& bus, const QString& service, const QString& path,
                          const char* name) {
    QDBusMessage call = QDBusMessage::createMethodCall(
        service, path, QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
    call << QStringLiteral("org.kde.StatusNotifierItem") << QString::fromLatin1(name);
    return bus.call(call, QDBus::Block, kBoundMs);
}

QDBusArgument argumentOf(const QDBusMessage& reply) {
    return reply.arguments().value(0).value<QDBusVariant>().variant().value<QDBusArgument>();
}

} // namespace

QImage largestPixmap(const QDBusArgument& pixmaps) {
    QImage largest;
    pixmaps.beginArray();
    while (!pixmaps.atEnd()) {
        int width = 0;
        int height = 0;
        QByteArray argb;
        pixmaps.beginStructure();
        pixmaps >> width >> height >> argb;
        pixmaps.endStructure();
        if (width > largest.width())
            largest = imageFromArgb(width, height, argb);
    }
    pixmaps.endArray();
    return largest;
}

TrayItem readTrayItem(QDBusConnection bus, const QString& service, const QString& path) {
    TrayItem item;
    const QDBusMessage icon = itemProperty(bus, service, path, "IconPixmap");
    const QDBusMessage tip = itemProperty(bus, service, path, "ToolTip");
    for (const QDBusMessage& reply : {icon, tip})
        if (reply.type() != QDBusMessage::ReplyMessage) {
            item.error = reply.errorMessage();
            return item;
        }
    item.icon = largestPixmap(argumentOf(icon));
    // (sa(iiay)ss): icon name, pictures, title, text.
    const QDBusArgument toolTip = argumentOf(tip);
    QString iconName;
    toolTip.beginStructure();
    toolTip >> iconName;
    largestPixmap(toolTip);
    toolTip >> item.toolTipTitle >> item.toolTipText;
    toolTip.endStructure();
    return item;
}

} // namespace ombrix::standin
