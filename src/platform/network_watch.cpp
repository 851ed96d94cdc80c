#include "platform/network_watch.h"

#include <QNetworkInformation>

namespace ombrix {

NetworkWatch::NetworkWatch(QObject* parent) : QObject(parent) {
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
}

} // namespace ombrix
