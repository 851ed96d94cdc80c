#include "platform/secret_store.h"

#include "platform/display_bytes.h"

#include <cstdlib>
#include <filesystem>
#include <libsecret/secret.h>
#include <memory>
#include <optional>

namespace ombrix {
namespace {

const SecretSchema* accountSchema() {
    static const SecretSchema schema = {"org.ombrix.Account",
                                        SECRET_SCHEMA_NONE,
                                        {
                                            {"host", SECRET_SCHEMA_ATTRIBUTE_STRING},
                                            {"user", SECRET_SCHEMA_ATTRIBUTE_STRING},
                                            {"protocol", SECRET_SCHEMA_ATTRIBUTE_STRING},
                                            {"port", SECRET_SCHEMA_ATTRIBUTE_INTEGER},
                                            {"directory", SECRET_SCHEMA_ATTRIBUTE_STRING},
                                            {nullptr, SECRET_SCHEMA_ATTRIBUTE_STRING},
                                        },
                                        0,
                                        nullptr,
                                        nullptr,
                                        nullptr,
                                        nullptr,
                                        nullptr,
                                        nullptr,
                                        nullptr};
    return &schema;
}

struct ErrorFree {
    void operator()(GError* error) const { g_error_free(error); }
};
using ErrorPtr = std::unique_ptr<GError, ErrorFree>;

struct HashTableUnref {
    void operator()(GHashTable* table) const { g_hash_table_unref(table); }
};

constexpr const char* kDirectoryAttribute = "directory";

// A search matches every item that has these attributes, whatever others it
// has: without a directory it also meets the items of every directory.
std::unique_ptr<GHashTable, HashTableUnref> attributesOf(const SecretKey& key) {
    GHashTable* table =
        secret_attributes_build(accountSchema(), "host", key.host.c_str(), "user", key.user.c_str(),
                                "protocol", key.protocol.c_str(), "port", key.port, nullptr);
    if (!key.directory.empty())
        g_hash_table_insert(table, g_strdup(kDirectoryAttribute), g_strdup(key.directory.c_str()));
    return std::unique_ptr<GHashTable, HashTableUnref>(table);
}

// One for every call of the process: the program's end cancels them all, so
// that a keyring waiting for an unlock nobody gives never holds up the quit.
GCancellable* callsCancellable() {
    static GCancellable* const cancellable = g_cancellable_new();
    return cancellable;
}

bool serviceMissing(const GError* error) {
    if (error->domain == G_DBUS_ERROR)
        return error->code == G_DBUS_ERROR_SERVICE_UNKNOWN ||
               error->code == G_DBUS_ERROR_NAME_HAS_NO_OWNER ||
               error->code == G_DBUS_ERROR_SPAWN_SERVICE_NOT_FOUND ||
               error->code == G_DBUS_ERROR_SPAWN_EXEC_FAILED ||
               error->code == G_DBUS_ERROR_SPAWN_CHILD_EXITED ||
               error->code == G_DBUS_ERROR_FILE_NOT_FOUND || error->code == G_DBUS_ERROR_NO_SERVER;
    // No session bus at all: GLib cannot find or start one.
    return error->domain == G_IO_ERROR;
}

bool lockedError(const GError* error) {
    if (error->domain == SECRET_ERROR)
        return error->code == SECRET_ERROR_IS_LOCKED;
    // A dismissed or failed unlock prompt comes back as a D-Bus error of the
    // keyring; its name is the only mark.
    if (error->domain == G_DBUS_ERROR && error->code == G_DBUS_ERROR_ACCESS_DENIED)
        return true;
    return error->domain == G_IO_ERROR && error->code == G_IO_ERROR_CANCELLED;
}

SecretOutcome outcomeOf(const GError* error) {
    if (lockedError(error))
        return SecretOutcome::Locked;
    if (serviceMissing(error)) {
        // libsecret keeps its connection to the keyring it met first, even
        // once that keyring has left the bus; a keyring that comes (back)
        // later is only found through a new one.
        secret_service_disconnect();
        return SecretOutcome::NoService;
    }
    return SecretOutcome::Failed;
}

// The session bus itself: without it every keyring call fails alike, and
// GLib's message about it is no keyring error.
bool sessionBusAnswers() {
    // Without an address GLib would autolaunch a bus of its own (with a
    // display) and D-Bus would start a keyring there whose first store waits
    // forever for a password prompt nobody sees: no session, no keyring.
    const char* address = std::getenv("DBUS_SESSION_BUS_ADDRESS");
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    std::error_code ignored;
    if ((!address || !*address) &&
        !(runtime && *runtime &&
          std::filesystem::exists(std::filesystem::path(runtime) / "bus", ignored)))
        return false;
    GError* raw = nullptr;
    GDBusConnection* bus = g_bus_get_sync(G_BUS_TYPE_SESSION, callsCancellable(), &raw);
    ErrorPtr error(raw);
    if (!bus)
        return false;
    g_object_unref(bus);
    return true;
}

// A lookup that finds nothing may have met a locked item whose unlock the
// user dismissed: a search that does not unlock tells the two apart.
bool lockedItemExists(const SecretKey& key) {
    GError* raw = nullptr;
    auto attributes = attributesOf(key);
    GList* items = secret_password_searchv_sync(accountSchema(), attributes.get(),
                                                SECRET_SEARCH_ALL, callsCancellable(), &raw);
    ErrorPtr error(raw);
    bool locked = false;
    for (GList* it = items; it; it = it->next)
        locked =
            locked || (SECRET_IS_ITEM(it->data) && secret_item_get_locked(SECRET_ITEM(it->data)));
    g_list_free_full(items, g_object_unref);
    return locked;
}

struct ObjectUnref {
    void operator()(gpointer object) const { g_object_unref(object); }
};
using ServicePtr = std::unique_ptr<SecretService, ObjectUnref>;

struct VariantUnref {
    void operator()(GVariant* value) const { g_variant_unref(value); }
};
using VariantPtr = std::unique_ptr<GVariant, VariantUnref>;

ServicePtr connectedService(SecretOutcome& outcome) {
    outcome = SecretOutcome::NoService;
    if (g_cancellable_is_cancelled(callsCancellable()) || !sessionBusAnswers())
        return nullptr;
    GError* raw = nullptr;
    ServicePtr service(secret_service_get_sync(SECRET_SERVICE_NONE, callsCancellable(), &raw));
    ErrorPtr error(raw);
    if (!service && error)
        outcome = outcomeOf(error.get());
    return service;
}

// The object path behind the alias "default"; "/" when there is none.
std::optional<std::string> defaultCollectionPath(SecretService* service, SecretOutcome& outcome) {
    GError* raw = nullptr;
    VariantPtr reply(g_dbus_proxy_call_sync(G_DBUS_PROXY(service), "ReadAlias",
                                            g_variant_new("(s)", "default"), G_DBUS_CALL_FLAGS_NONE,
                                            -1, callsCancellable(), &raw));
    ErrorPtr error(raw);
    if (!reply) {
        outcome = error ? outcomeOf(error.get()) : SecretOutcome::Failed;
        return std::nullopt;
    }
    const gchar* path = nullptr;
    g_variant_get(reply.get(), "(&o)", &path);
    return std::string(path);
}

// Read on the bus each time: a proxy's cached property would only follow
// the keyring where a GLib main loop runs, and ours mostly do not.
std::optional<bool> collectionLocked(SecretService* service, const std::string& path) {
    GError* raw = nullptr;
    VariantPtr reply(g_dbus_connection_call_sync(
        g_dbus_proxy_get_connection(G_DBUS_PROXY(service)),
        g_dbus_proxy_get_name(G_DBUS_PROXY(service)), path.c_str(),
        "org.freedesktop.DBus.Properties", "Get",
        g_variant_new("(ss)", "org.freedesktop.Secret.Collection", "Locked"), G_VARIANT_TYPE("(v)"),
        G_DBUS_CALL_FLAGS_NONE, -1, callsCancellable(), &raw));
    ErrorPtr error(raw);
    if (!reply)
        return std::nullopt;
    GVariant* inner = nullptr;
    g_variant_get(reply.get(), "(v)", &inner);
    VariantPtr value(inner);
    if (!g_variant_is_of_type(value.get(), G_VARIANT_TYPE_BOOLEAN))
        return std::nullopt;
    return g_variant_get_boolean(value.get()) != FALSE;
}

struct ListFree {
    void operator()(GList* items) const { g_list_free_full(items, g_object_unref); }
};
using ItemList = std::unique_ptr<GList, ListFree>;

bool namesNoDirectory(gpointer item) {
    std::unique_ptr<GHashTable, HashTableUnref> attributes(
        secret_retrievable_get_attributes(SECRET_RETRIEVABLE(item)));
    return !attributes || !g_hash_table_contains(attributes.get(), kDirectoryAttribute);
}

// The items under `key` that name no directory, unlocked (the keyring may
// ask the user) and with their secrets where `load`.
ItemList itemsWithoutDirectory(const SecretKey& key, bool load, ErrorPtr& error) {
    auto attributes = attributesOf(key);
    GError* raw = nullptr;
    const auto flags = static_cast<SecretSearchFlags>(SECRET_SEARCH_ALL | SECRET_SEARCH_UNLOCK |
                                                      (load ? SECRET_SEARCH_LOAD_SECRETS : 0));
    GList* items = secret_password_searchv_sync(accountSchema(), attributes.get(), flags,
                                                callsCancellable(), &raw);
    error.reset(raw);
    GList* kept = nullptr;
    for (GList* it = items; it; it = it->next)
        if (namesNoDirectory(it->data))
            kept = g_list_prepend(kept, g_object_ref(it->data));
    g_list_free_full(items, g_object_unref);
    return ItemList(g_list_reverse(kept));
}

SecretLookup lookupWithoutDirectory(const SecretKey& key) {
    ErrorPtr error;
    ItemList items = itemsWithoutDirectory(key, true, error);
    if (error)
        return {outcomeOf(error.get()), {}};
    for (GList* it = items.get(); it; it = it->next) {
        if (!SECRET_IS_ITEM(it->data))
            continue;
        SecretItem* item = SECRET_ITEM(it->data);
        if (secret_item_get_locked(item))
            return {SecretOutcome::Locked, {}};
        SecretValue* value = secret_item_get_secret(item);
        if (!value)
            continue;
        const gchar* text = secret_value_get_text(value);
        SecretLookup found{SecretOutcome::Done, text ? text : ""};
        secret_value_unref(value);
        return found;
    }
    return {SecretOutcome::NotFound, {}};
}

SecretOutcome clearWithoutDirectory(const SecretKey& key) {
    ErrorPtr error;
    ItemList items = itemsWithoutDirectory(key, false, error);
    if (error)
        return outcomeOf(error.get());
    SecretOutcome outcome = SecretOutcome::NotFound;
    for (GList* it = items.get(); it; it = it->next) {
        if (!SECRET_IS_ITEM(it->data))
            continue;
        GError* raw = nullptr;
        const bool deleted =
            secret_item_delete_sync(SECRET_ITEM(it->data), callsCancellable(), &raw);
        ErrorPtr failed(raw);
        if (!deleted)
            return failed ? outcomeOf(failed.get()) : SecretOutcome::Failed;
        outcome = SecretOutcome::Done;
    }
    return outcome;
}

} // namespace

KeyringLock keyringLockState() {
    SecretOutcome outcome = SecretOutcome::Failed;
    ServicePtr service = connectedService(outcome);
    if (!service)
        return outcome == SecretOutcome::NoService ? KeyringLock::NoService : KeyringLock::Open;
    const std::optional<std::string> path = defaultCollectionPath(service.get(), outcome);
    if (!path)
        return outcome == SecretOutcome::NoService ? KeyringLock::NoService : KeyringLock::Open;
    if (*path == "/")
        return KeyringLock::Open;
    // A property that cannot be read leaves the answer to the call itself.
    return collectionLocked(service.get(), *path).value_or(false) ? KeyringLock::Locked
                                                                  : KeyringLock::Open;
}

SecretOutcome unlockKeyring() {
    SecretOutcome outcome = SecretOutcome::Failed;
    ServicePtr service = connectedService(outcome);
    if (!service)
        return g_cancellable_is_cancelled(callsCancellable()) ? SecretOutcome::Locked : outcome;
    const std::optional<std::string> path = defaultCollectionPath(service.get(), outcome);
    if (!path)
        return outcome;
    if (*path == "/")
        return SecretOutcome::Done;
    GError* raw = nullptr;
    std::unique_ptr<SecretCollection, ObjectUnref> collection(
        secret_collection_for_alias_sync(service.get(), SECRET_COLLECTION_DEFAULT,
                                         SECRET_COLLECTION_NONE, callsCancellable(), &raw));
    if (!collection) {
        ErrorPtr error(raw);
        return error ? outcomeOf(error.get()) : SecretOutcome::Done;
    }
    GList* objects = g_list_append(nullptr, collection.get());
    const gint unlocked =
        secret_service_unlock_sync(service.get(), objects, callsCancellable(), nullptr, &raw);
    g_list_free(objects);
    ErrorPtr error(raw);
    if (unlocked > 0)
        return SecretOutcome::Done;
    return error ? outcomeOf(error.get()) : SecretOutcome::Locked;
}

SecretOutcome storeSecret(const SecretKey& key, std::string_view label, std::string_view password) {
    if (g_cancellable_is_cancelled(callsCancellable()))
        return SecretOutcome::Locked;
    if (!sessionBusAnswers())
        return SecretOutcome::NoService;
    // The keyring takes UTF-8 only; an account name in Latin-1 would leave
    // the item without a label.
    const std::string labelText = displayText(label);
    const std::string passwordText(password);
    auto attributes = attributesOf(key);
    GError* raw = nullptr;
    const bool stored = secret_password_storev_sync(accountSchema(), attributes.get(),
                                                    SECRET_COLLECTION_DEFAULT, labelText.c_str(),
                                                    passwordText.c_str(), callsCancellable(), &raw);
    ErrorPtr error(raw);
    if (stored)
        return SecretOutcome::Done;
    return error ? outcomeOf(error.get()) : SecretOutcome::Failed;
}

SecretLookup lookupSecret(const SecretKey& key) {
    if (g_cancellable_is_cancelled(callsCancellable()))
        return {SecretOutcome::Locked, {}};
    if (!sessionBusAnswers())
        return {SecretOutcome::NoService, {}};
    if (key.directory.empty())
        return lookupWithoutDirectory(key);
    auto attributes = attributesOf(key);
    GError* raw = nullptr;
    gchar* password =
        secret_password_lookupv_sync(accountSchema(), attributes.get(), callsCancellable(), &raw);
    ErrorPtr error(raw);
    if (password) {
        SecretLookup found{SecretOutcome::Done, password};
        secret_password_free(password);
        return found;
    }
    if (error)
        return {outcomeOf(error.get()), {}};
    return {lockedItemExists(key) ? SecretOutcome::Locked : SecretOutcome::NotFound, {}};
}

SecretOutcome clearSecret(const SecretKey& key) {
    if (g_cancellable_is_cancelled(callsCancellable()))
        return SecretOutcome::Locked;
    if (!sessionBusAnswers())
        return SecretOutcome::NoService;
    if (key.directory.empty())
        return clearWithoutDirectory(key);
    auto attributes = attributesOf(key);
    GError* raw = nullptr;
    const bool removed =
        secret_password_clearv_sync(accountSchema(), attributes.get(), callsCancellable(), &raw);
    ErrorPtr error(raw);
    if (removed)
        return SecretOutcome::Done;
    if (error)
        return outcomeOf(error.get());
    return lockedItemExists(key) ? SecretOutcome::Locked : SecretOutcome::NotFound;
}

void cancelSecretCalls() {
    g_cancellable_cancel(callsCancellable());
}

const char* secretOutcomeName(SecretOutcome outcome) {
    switch (outcome) {
    case SecretOutcome::Done:
        return "done";
    case SecretOutcome::NotFound:
        return "not found";
    case SecretOutcome::NoService:
        return "no service";
    case SecretOutcome::Locked:
        return "locked";
    case SecretOutcome::Failed:
        return "error";
    }
    return "error";
}

} // namespace ombrix
