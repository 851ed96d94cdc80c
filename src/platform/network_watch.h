#pragma once
// The desktop's view of network reachability (QNetworkInformation, backed by
// NetworkManager on the system bus): tells when the network comes back
// online after it was lost. Without a backend nothing is announced, and
// nothing waits for one.

#include <QObject>

namespace ombrix {

class NetworkWatch : public QObject {
    Q_OBJECT

public:
    explicit NetworkWatch(QObject* parent = nullptr);

    bool listening() const { return listening_; }

signals:
    void backOnline();

private:
    bool listening_ = false;
    bool online_ = true;
};

} // namespace ombrix
