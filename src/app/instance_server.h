#pragma once
// How a second start of the desktop program on the same program directory
// reaches the first: a local server named after the directory's canonical
// path, where the first one listens and the second asks it to show itself.

#include <QLocalServer>
#include <QObject>
#include <QString>
#include <functional>
#include <string>

namespace ombrix {

// The same name for every spelling of one directory.
QString instanceServerName(const std::string& directory);

// True when a desktop program listens under `name` and took the request.
bool askRunningInstanceToShow(const QString& name);

class InstanceServer : public QObject {
public:
    // Listens under `name` (a server file left by a crashed program is
    // replaced: the caller holds the directory); `show` runs on each request.
    InstanceServer(const QString& name, std::function<void()> show, QObject* parent = nullptr);
    bool listening() const { return server_.isListening(); }

private:
    void onConnection();

    QLocalServer server_;
    std::function<void()> show_;
};

} // namespace ombrix
