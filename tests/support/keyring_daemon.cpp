#include "support/keyring_daemon.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusServiceWatcher>
#include <QSignalSpy>
#include <filesystem>
#include <libsecret/secret.h>

namespace ombrix::test {
namespace {

// Upper bounds only: the wait ends when the daemon takes its name.
constexpr int kStartBound = 20000;

const QString kSecretServiceName = QStringLiteral("org.freedesktop.secrets");

bool nameOwned() {
    const auto reply =
        QDBusConnection::sessionBus().interface()->isServiceRegistered(kSecretServiceName);
    return reply.isValid() && reply.value();
}

} // namespace

KeyringDaemon::KeyringDaemon() {
    for (const char* sub : {"home", "data", "runtime"})
        std::filesystem::create_directories(dir_ / sub);
    std::filesystem::permissions(dir_ / "runtime", std::filesystem::perms::owner_all);
    start();
}

bool KeyringDaemon::start() {
    running_ = false;
    if (!sessionBusAvailable()) {
        failure_ = QStringLiteral("no session bus");
        return false;
    }
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("HOME"), QString::fromStdString((dir_ / "home").string()));
    environment.insert(QStringLiteral("XDG_DATA_HOME"),
                       QString::fromStdString((dir_ / "data").string()));
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"),
                       QString::fromStdString((dir_ / "runtime").string()));

    QDBusServiceWatcher watcher(kSecretServiceName, QDBusConnection::sessionBus(),
                                QDBusServiceWatcher::WatchForRegistration);
    QSignalSpy registered(&watcher, &QDBusServiceWatcher::serviceRegistered);
    daemon_.setProcessEnvironment(environment);
    daemon_.setProcessChannelMode(QProcess::MergedChannels);
    daemon_.start(QStringLiteral("gnome-keyring-daemon"),
                  {QStringLiteral("--foreground"), QStringLiteral("--unlock"),
                   QStringLiteral("--components=secrets")});
    if (!daemon_.waitForStarted(kStartBound)) {
        failure_ = daemon_.errorString();
        return false;
    }
    // --unlock reads the password up to the end of its input.
    daemon_.write("ombrix-test-keyring");
    daemon_.closeWriteChannel();
    while (!nameOwned() && registered.isEmpty() && daemon_.state() == QProcess::Running)
        if (!registered.wait(kStartBound))
            break;
    running_ = nameOwned();
    if (!running_)
        failure_ = QString::fromLocal8Bit(daemon_.readAll());
    return running_;
}

void KeyringDaemon::stop() {
    QDBusServiceWatcher watcher(kSecretServiceName, QDBusConnection::sessionBus(),
                                QDBusServiceWatcher::WatchForUnregistration);
    QSignalSpy unregistered(&watcher, &QDBusServiceWatcher::serviceUnregistered);
    if (daemon_.state() != QProcess::NotRunning) {
        daemon_.terminate();
        daemon_.waitForFinished(kStartBound);
    }
    while (nameOwned() && unregistered.isEmpty())
        if (!unregistered.wait(kStartBound))
            break;
    running_ = false;
}

KeyringDaemon::~KeyringDaemon() {
    if (daemon_.state() != QProcess::NotRunning) {
        daemon_.terminate();
        daemon_.waitForFinished(kStartBound);
    }
}

bool sessionBusAvailable() {
    return QDBusConnection::sessionBus().isConnected();
}

testing::AssertionResult lockDefaultCollection() {
    GError* error = nullptr;
    SecretService* service =
        secret_service_get_sync(SECRET_SERVICE_LOAD_COLLECTIONS, nullptr, &error);
    gint locked = 0;
    if (service) {
        SecretCollection* collection = secret_collection_for_alias_sync(
            service, SECRET_COLLECTION_DEFAULT, SECRET_COLLECTION_NONE, nullptr, &error);
        if (collection) {
            GList* objects = g_list_append(nullptr, collection);
            locked = secret_service_lock_sync(service, objects, nullptr, nullptr, &error);
            g_list_free(objects);
            g_object_unref(collection);
        }
        g_object_unref(service);
    }
    testing::AssertionResult result =
        locked >= 1 ? testing::AssertionSuccess()
                    : testing::AssertionFailure() << (error ? error->message : "nothing locked");
    if (error)
        g_error_free(error);
    return result;
}

} // namespace ombrix::test
