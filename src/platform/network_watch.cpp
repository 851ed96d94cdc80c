#include "platform/network_watch.h"

#include <QNetworkInformation>
#include <QSocketNotifier>

namespace ombrix {

NetworkWatch::NetworkWatch(QObject* parent) : QObject(parent) {
    routeSettle_.setSingleShot(true);
    routeSettle_.setInterval(kRouteSettleMs);
    connect(&routeSettle_, &QTimer::timeout, this, [this] { judgeRoutes(); });
    watchReachability();
    watchRoutes();
}

NetworkWatch::~NetworkWatch() = default;

void NetworkWatch::watchReachability() {
    if (!QNetworkInformation::loadDefaultBackend())
        return;
    QNetworkInformation* information = QNetworkInformation::instance();
    if (!information)
        return;
    listening_ = true;
    online_ = information->reachability() == QNetworkInformation::Reachability::Online;
    connect(information, &QNetworkInformation::reachabilityChanged, this,
            [this](QNetworkInformation::Reachability reachability) {
                const bool online = reachability == QNetworkInformation::Reachability::Online;
                const bool cameBack = online && !online_;
                online_ = online;
                if (cameBack)
                    emit backOnline();
            });
    // NetworkManager names the medium of its primary connection: a change
    // between two known ones is another way out.
    connect(information, &QNetworkInformation::transportMediumChanged, this,
            [this, medium = information->transportMedium()](
                QNetworkInformation::TransportMedium current) mutable {
                const auto unknown = QNetworkInformation::TransportMedium::Unknown;
                if (medium != unknown && current != unknown && current != medium) {
                    mediumChanged_ = true;
                    routeSettle_.start();
                }
                medium = current;
            });
}

void NetworkWatch::watchRoutes() {
    if (routeSocket_.fd() < 0)
        return;
    routes_ = internetRoutes();
    routeNotifier_ = new QSocketNotifier(routeSocket_.fd(), QSocketNotifier::Read, this);
    connect(routeNotifier_, &QSocketNotifier::activated, this, [this] {
        if (routeSocket_.takeChanges())
            routeSettle_.start();
    });
}

// A way out that went away altogether, or came where there was none, is
// the network's loss or return, which reachability tells.
void NetworkWatch::judgeRoutes() {
    std::vector<InternetRoute> routes = internetRoutes();
    const bool otherWay = !routes.empty() && !routes_.empty() && routes != routes_;
    routes_ = std::move(routes);
    const bool changed = otherWay || mediumChanged_;
    mediumChanged_ = false;
    if (changed)
        emit routeChanged();
}

} // namespace ombrix
