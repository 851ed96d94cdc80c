#pragma once
// Where the desktop program listens for a second start or a command on the
// same program directory (config/running_instance.h names the place and the
// requests): show the window, or check now.

#include "config/running_instance.h"

#include <QLocalServer>
#include <QObject>
#include <functional>
#include <string>

namespace ombrix {

class InstanceServer : public QObject {
public:
    using RequestHandler = std::function<void(const InstanceRequest&)>;

    // Listens at `socketPath` (a socket left by a crashed program is replaced:
    // the caller holds the directory); `handle` runs on each request, on the
    // window thread. An empty path listens nowhere.
    InstanceServer(const std::string& socketPath, RequestHandler handle, QObject* parent = nullptr);
    bool listening() const { return server_.isListening(); }

private:
    void onConnection();

    QLocalServer server_;
    RequestHandler handle_;
};

} // namespace ombrix
