#include "support/keyring_daemon.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusServiceWatcher>
#include <QSignalSpy>
#include <cstring>
#include <filesystem>
#include <libsecret/secret.h>
#include <string>

namespace ombrix::test {
namespace {

// Upper bounds only: the wait ends when the daemon takes its name.
constexpr int kStartBound = 20000;

const QString kSecretServiceName = QStringLiteral("org.freedesktop.secrets");
constexpr const char* kKeyringPassword = "ombrix-test-keyring";
constexpr const char* kServicePath = "/org/freedesktop/secrets";

// One call of the keyring's; the error's message goes into `why`.
GVariant* keyringCall(GDBusConnection* bus, const char* interface, const char* method,
                      GVariant* arguments, std::string& why) {
    GError* error = nullptr;
    GVariant* reply = g_dbus_connection_call_sync(bus, "org.freedesktop.secrets", kServicePath,
                                                  interface, method, arguments, nullptr,
                                                  G_DBUS_CALL_FLAGS_NONE, -1, nullptr, &error);
    if (error) {
        why = std::string(method) + ": " + error->message;
        g_error_free(error);
    }
    return reply;
}

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
    daemon_.write(kKeyringPassword);
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

// gnome-keyring's own way for a password that the caller has: its
// unlock prompt uses no other. The password goes in a "plain" session, which
// belongs to the connection that opened it.
testing::AssertionResult unlockDefaultCollectionElsewhere() {
    GError* error = nullptr;
    gchar* address = g_dbus_address_get_for_bus_sync(G_BUS_TYPE_SESSION, nullptr, &error);
    GDBusConnection* bus =
        address
            ? g_dbus_connection_new_for_address_sync(
                  address,
                  static_cast<GDBusConnectionFlags>(G_DBUS_CONNECTION_FLAGS_AUTHENTICATION_CLIENT |
                                                    G_DBUS_CONNECTION_FLAGS_MESSAGE_BUS_CONNECTION),
                  nullptr, nullptr, &error)
            : nullptr;
    g_free(address);
    std::string why = error ? error->message : "";
    if (error)
        g_error_free(error);
    if (!bus)
        return testing::AssertionFailure() << "no connection of its own: " << why;

    const char* service = "org.freedesktop.Secret.Service";
    GVariant* alias = keyringCall(bus, service, "ReadAlias", g_variant_new("(s)", "default"), why);
    GVariant* session =
        alias ? keyringCall(bus, service, "OpenSession",
                            g_variant_new("(sv)", "plain", g_variant_new_string("")), why)
              : nullptr;
    GVariant* unlocked = nullptr;
    if (session) {
        const gchar* collection = nullptr;
        const gchar* sessionPath = nullptr;
        g_variant_get(alias, "(&o)", &collection);
        g_variant_get(session, "(v&o)", nullptr, &sessionPath);
        GVariant* secret = g_variant_new(
            "(o@ay@ays)", sessionPath, g_variant_new_fixed_array(G_VARIANT_TYPE_BYTE, "", 0, 1),
            g_variant_new_fixed_array(G_VARIANT_TYPE_BYTE, kKeyringPassword,
                                      std::strlen(kKeyringPassword), 1),
            "text/plain");
        unlocked = keyringCall(bus, "org.gnome.keyring.InternalUnsupportedGuiltRiddenInterface",
                               "UnlockWithMasterPassword",
                               g_variant_new("(o@(oayays))", collection, secret), why);
    }
    for (GVariant* reply : {alias, session, unlocked})
        if (reply)
            g_variant_unref(reply);
    g_dbus_connection_close_sync(bus, nullptr, nullptr);
    g_object_unref(bus);
    return unlocked ? testing::AssertionSuccess() : testing::AssertionFailure() << why;
}

} // namespace ombrix::test
