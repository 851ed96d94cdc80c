#include "platform/status_notifier_item.h"

#include "platform/dbus_menu_exporter.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusServiceWatcher>
#include <QImage>
#include <QtEndian>
#include <unistd.h>
#include <utility>

namespace ombrix {
namespace {

const QString kSniWatcherService = QStringLiteral("org.kde.StatusNotifierWatcher");
const QString kSniWatcherPath = QStringLiteral("/StatusNotifierWatcher");
const QString kSniItemPath = QStringLiteral("/StatusNotifierItem");
const QString kSniMenuPath = QStringLiteral("/MenuBar");

SniPixmap sniPixmapOf(const QIcon& icon, int side) {
    QImage image = icon.pixmap(QSize(side, side), 1.0).toImage();
    if (image.isNull())
        return {};
    if (image.width() > side || image.height() > side)
        image = image.scaled(side, side, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    image = image.convertToFormat(QImage::Format_ARGB32);
    SniPixmap pixmap{image.width(), image.height(), {}};
    pixmap.argb.resize(qsizetype(image.width()) * image.height() * 4);
    auto* out = reinterpret_cast<quint32*>(pixmap.argb.data());
    for (int y = 0; y < image.height(); ++y) {
        const auto* line = reinterpret_cast<const quint32*>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x)
            *out++ = qToBigEndian(line[x]);
    }
    return pixmap;
}

} // namespace

QList<SniPixmap> sniPixmapsOf(const QIcon& icon) {
    QList<SniPixmap> pixmaps;
    for (int side : {16, 22, 32, 48}) {
        SniPixmap pixmap = sniPixmapOf(icon, side);
        if (pixmap.width > 0 && !pixmaps.contains(pixmap))
            pixmaps.append(std::move(pixmap));
    }
    return pixmaps;
}

StatusNotifierItem::StatusNotifierItem(const QString& id, const QString& category,
                                       QDBusConnection bus, QObject* parent)
    : QObject(parent), bus_(std::move(bus)), id_(id), category_(category),
      serviceName_(QStringLiteral("org.kde.StatusNotifierItem-%1-1").arg(getpid())),
      watcher_(new QDBusServiceWatcher(kSniWatcherService, bus_,
                                       QDBusServiceWatcher::WatchForOwnerChange, this)),
      menu_(new DBusMenuExporter(bus_, kSniMenuPath, this)) {
    registerDBusTrayTypes();
    connect(watcher_, &QDBusServiceWatcher::serviceOwnerChanged, this,
            [this](const QString&, const QString&, const QString& newOwner) {
                onWatcherOwnerChanged(newOwner);
            });
    // The watcher is watched before the bus is asked: a watcher that comes
    // up in between is still heard of.
    watcherPresent_ = watcherOnBus();
    exported_ =
        bus_.isConnected() && bus_.registerObject(kSniItemPath, this,
                                                  QDBusConnection::ExportScriptableSlots |
                                                      QDBusConnection::ExportScriptableSignals |
                                                      QDBusConnection::ExportAllProperties);
}

StatusNotifierItem::~StatusNotifierItem() {
    hide();
    if (exported_)
        bus_.unregisterObject(kSniItemPath);
}

bool StatusNotifierItem::watcherOnBus() const {
    const QDBusConnectionInterface* daemon = bus_.isConnected() ? bus_.interface() : nullptr;
    return daemon && daemon->isServiceRegistered(kSniWatcherService).value();
}

void StatusNotifierItem::show() {
    if (shown_ || !exported_)
        return;
    shown_ = bus_.registerService(serviceName_);
    if (shown_ && watcherPresent_)
        registerWithWatcher();
}

void StatusNotifierItem::hide() {
    if (!shown_)
        return;
    bus_.unregisterService(serviceName_);
    shown_ = false;
}

// A new owner is a watcher that (re)started: it knows no items yet.
void StatusNotifierItem::onWatcherOwnerChanged(const QString& newOwner) {
    const bool present = !newOwner.isEmpty();
    const bool changed = present != watcherPresent_;
    watcherPresent_ = present;
    if (present && shown_)
        registerWithWatcher();
    if (changed)
        emit watcherChanged(present);
}

// Asynchronous: the watcher may be slow, and the window thread serves us.
void StatusNotifierItem::registerWithWatcher() {
    QDBusMessage call =
        QDBusMessage::createMethodCall(kSniWatcherService, kSniWatcherPath, kSniWatcherService,
                                       QStringLiteral("RegisterStatusNotifierItem"));
    call << serviceName_;
    auto* pending = new QDBusPendingCallWatcher(bus_.asyncCall(call), this);
    connect(pending, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* w) {
        w->deleteLater();
        if (w->isError())
            qWarning("The tray's watcher refused our icon: %s", qPrintable(w->error().message()));
        else
            emit registered();
    });
}

void StatusNotifierItem::setIcon(const QIcon& icon) {
    QList<SniPixmap> pixmaps = sniPixmapsOf(icon);
    if (pixmaps == pixmaps_)
        return;
    pixmaps_ = std::move(pixmaps);
    emit NewIcon();
}

void StatusNotifierItem::setToolTip(const QString& toolTip) {
    QStringList lines = toolTip.split(QLatin1Char('\n'));
    while (lines.size() > 1 && lines.back().trimmed().isEmpty())
        lines.removeLast();
    QString title = lines.takeFirst();
    QString text = lines.join(QLatin1Char('\n'));
    if (title == title_ && text == text_)
        return;
    title_ = std::move(title);
    text_ = std::move(text);
    emit NewToolTip();
}

void StatusNotifierItem::setMenu(QMenu* menu) {
    menu_->setMenu(menu);
}

QDBusObjectPath StatusNotifierItem::menu() const {
    return QDBusObjectPath(menu_->exported() ? kSniMenuPath : QStringLiteral("/NO_DBUSMENU"));
}

SniToolTip StatusNotifierItem::toolTip() const {
    return {{}, {}, title_, text_};
}

void StatusNotifierItem::Activate(int /*x*/, int /*y*/) {
    emit activated(std::exchange(activationToken_, {}));
}

void StatusNotifierItem::SecondaryActivate(int /*x*/, int /*y*/) {
    activationToken_.clear();
    emit secondaryActivated();
}

void StatusNotifierItem::ContextMenu(int /*x*/, int /*y*/) {
    emit contextMenuRequested();
}

void StatusNotifierItem::Scroll(int /*delta*/, const QString& /*orientation*/) {}

void StatusNotifierItem::ProvideXdgActivationToken(const QString& token) {
    activationToken_ = token;
}

} // namespace ombrix
