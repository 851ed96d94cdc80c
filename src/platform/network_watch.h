#pragma once
// The desktop's view of the network: reachability (QNetworkInformation,
// backed by NetworkManager on the system bus) tells when the network comes
// back online after it was lost; the kernel's routes (and the backend's
// transport medium, where it knows one) tell when another way out to the
// internet took over while online: Wi-Fi to cable, a VPN coming up. Without
// a backend or rtnetlink nothing is announced, and nothing waits for them.

#include "platform/internet_route.h"

#include <QObject>
#include <QTimer>
#include <memory>
#include <vector>

class QSocketNotifier;

namespace ombrix {

class NetworkWatch : public QObject {
    Q_OBJECT

public:
    // A burst of kernel changes (a route removed, another added, addresses)
    // is judged once it has been quiet this long.
    static constexpr int kRouteSettleMs = 1000;

    explicit NetworkWatch(QObject* parent = nullptr);
    ~NetworkWatch() override;

    bool listening() const { return listening_; }
    // Whether the network reaches the internet, as far as anyone knows:
    // true without a backend.
    bool reachable() const { return !listening_ || online_; }
    // Whether kernel route changes are watched.
    bool watchingRoutes() const { return routeNotifier_ != nullptr; }

signals:
    void backOnline();
    void routeChanged();

private:
    void watchReachability();
    void watchRoutes();
    void judgeRoutes();

    bool listening_ = false;
    bool online_ = true;
    bool mediumChanged_ = false;
    RouteChangeSocket routeSocket_;
    QSocketNotifier* routeNotifier_ = nullptr;
    QTimer routeSettle_;
    std::vector<InternetRoute> routes_;
};

} // namespace ombrix
