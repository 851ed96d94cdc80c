// The keyring layer against a real gnome-keyring-daemon on the test's own
// session bus, and against a bus without any Secret Service. CTest runs each
// suite in a process of its own (tests/platform/CMakeLists.txt): libsecret
// keeps its connection to the service for the life of the process.

#include "platform/secret_store.h"
#include "support/keyring_daemon.h"

#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <future>
#include <gtest/gtest.h>
#include <libsecret/secret.h>
#include <memory>
#include <mutex>

namespace ombrix {
namespace {

using test::KeyringDaemon;

SecretKey workKey() {
    return {"mail.example.org", "anna", "imap", 993};
}

// The schema as another program would declare it: items are found by its
// name and attributes alone.
const SecretSchema* lookalikeSchema() {
    static SecretSchema* schema = secret_schema_new(
        "org.ombrix.Account", SECRET_SCHEMA_NONE, "host", SECRET_SCHEMA_ATTRIBUTE_STRING, "user",
        SECRET_SCHEMA_ATTRIBUTE_STRING, "protocol", SECRET_SCHEMA_ATTRIBUTE_STRING, "port",
        SECRET_SCHEMA_ATTRIBUTE_INTEGER, nullptr);
    return schema;
}

test::KeyringDaemon& sharedDaemon() {
    static KeyringDaemon daemon;
    return daemon;
}

class SecretStoreTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(sharedDaemon().running())
            << "gnome-keyring-daemon: " << sharedDaemon().failure().toStdString();
    }
    void TearDown() override {
        for (const SecretKey& key : {workKey(), otherPort()})
            clearSecret(key);
    }
    static SecretKey otherPort() {
        SecretKey key = workKey();
        key.port = 143;
        return key;
    }
};

TEST_F(SecretStoreTest, StoresLooksUpReplacesAndClearsOneItemPerKey) {
    const std::string password = "s3cret \"with\" quotes, \\ and ümlauts";
    EXPECT_EQ(storeSecret(workKey(), "Ombrix: Work", password), SecretOutcome::Done);
    SecretLookup found = lookupSecret(workKey());
    EXPECT_EQ(found.outcome, SecretOutcome::Done);
    EXPECT_EQ(found.password, password);

    // Another port is another account; a second store replaces.
    EXPECT_EQ(lookupSecret(otherPort()).outcome, SecretOutcome::NotFound);
    EXPECT_EQ(storeSecret(otherPort(), "Ombrix: Plain", "plain"), SecretOutcome::Done);
    EXPECT_EQ(storeSecret(workKey(), "Ombrix: Work", "changed"), SecretOutcome::Done);
    EXPECT_EQ(lookupSecret(workKey()).password, "changed");
    EXPECT_EQ(lookupSecret(otherPort()).password, "plain");

    EXPECT_EQ(clearSecret(workKey()), SecretOutcome::Done);
    EXPECT_EQ(lookupSecret(workKey()).outcome, SecretOutcome::NotFound);
    EXPECT_EQ(lookupSecret(workKey()).password, "");
    EXPECT_EQ(clearSecret(workKey()), SecretOutcome::NotFound);
    EXPECT_EQ(lookupSecret(otherPort()).password, "plain");
}

TEST_F(SecretStoreTest, ItemCarriesTheSchemaAttributesAndLabel) {
    ASSERT_EQ(storeSecret(workKey(), "Ombrix: Work", "pw"), SecretOutcome::Done);
    // Found by another program through the schema name and attributes alone.
    GError* error = nullptr;
    GList* items = secret_password_search_sync(lookalikeSchema(), SECRET_SEARCH_ALL, nullptr,
                                               &error, "host", "mail.example.org", "user", "anna",
                                               "protocol", "imap", "port", 993, nullptr);
    ASSERT_EQ(error, nullptr) << error->message;
    ASSERT_EQ(g_list_length(items), 1u);
    gchar* label = secret_retrievable_get_label(SECRET_RETRIEVABLE(items->data));
    EXPECT_STREQ(label, "Ombrix: Work");
    g_free(label);
    g_list_free_full(items, g_object_unref);
}

// An account name as obx.dat keeps it, in Latin-1: the keyring takes UTF-8
// only, and shows the name as the window does.
TEST_F(SecretStoreTest, LatinOneNameGivesTheLabelInUtf8) {
    ASSERT_EQ(storeSecret(workKey(), "Ombrix: B\xFCro", "pw"), SecretOutcome::Done);
    GError* error = nullptr;
    GList* items = secret_password_search_sync(lookalikeSchema(), SECRET_SEARCH_ALL, nullptr,
                                               &error, "host", "mail.example.org", nullptr);
    ASSERT_EQ(error, nullptr) << error->message;
    ASSERT_EQ(g_list_length(items), 1u);
    gchar* label = secret_retrievable_get_label(SECRET_RETRIEVABLE(items->data));
    EXPECT_STREQ(label, "Ombrix: B\xC3\xBCro");
    g_free(label);
    g_list_free_full(items, g_object_unref);
    EXPECT_EQ(lookupSecret(workKey()).password, "pw");
}

TEST_F(SecretStoreTest, EmptyPasswordIsStoredAsSuch) {
    ASSERT_EQ(storeSecret(workKey(), "Ombrix: Work", ""), SecretOutcome::Done);
    const SecretLookup found = lookupSecret(workKey());
    EXPECT_EQ(found.outcome, SecretOutcome::Done);
    EXPECT_EQ(found.password, "");
}

// A bus on which no keyring runs: every call says so, none waits.
TEST(SecretStoreWithoutServiceTest, EveryCallReportsNoService) {
    ASSERT_TRUE(test::sessionBusAvailable());
    EXPECT_EQ(storeSecret(workKey(), "Ombrix: Work", "pw"), SecretOutcome::NoService);
    EXPECT_EQ(lookupSecret(workKey()).outcome, SecretOutcome::NoService);
    EXPECT_EQ(clearSecret(workKey()), SecretOutcome::NoService);
}

// The keyring leaves the bus while the program runs and comes back later:
// the calls meanwhile say it is gone, and once it is back they reach it
// again (libsecret would otherwise keep asking the one that left).
TEST(SecretStoreRestartTest, KeyringThatComesBackIsReachedAgain) {
    KeyringDaemon daemon;
    ASSERT_TRUE(daemon.running()) << "gnome-keyring-daemon: " << daemon.failure().toStdString();
    ASSERT_EQ(storeSecret(workKey(), "Ombrix: Work", "kept"), SecretOutcome::Done);

    daemon.stop();
    EXPECT_EQ(lookupSecret(workKey()).outcome, SecretOutcome::NoService);
    EXPECT_EQ(clearSecret(workKey()), SecretOutcome::NoService);

    ASSERT_TRUE(daemon.start()) << daemon.failure().toStdString();
    EXPECT_EQ(lookupSecret(workKey()).password, "kept");
    EXPECT_EQ(clearSecret(workKey()), SecretOutcome::Done);
}

// No session bus at all (a login without a desktop session).
TEST(SecretStoreWithoutBusTest, EveryCallReportsNoService) {
    EXPECT_EQ(storeSecret(workKey(), "Ombrix: Work", "pw"), SecretOutcome::NoService);
    EXPECT_EQ(lookupSecret(workKey()).outcome, SecretOutcome::NoService);
    EXPECT_EQ(clearSecret(workKey()), SecretOutcome::NoService);
}

// The collection locked behind the program's back, and no prompter to ask
// the user: the calls report the lock and the item survives it.
TEST(SecretStoreLockedTest, LockedCollectionIsReportedAndKeepsTheItem) {
    ASSERT_TRUE(sharedDaemon().running())
        << "gnome-keyring-daemon: " << sharedDaemon().failure().toStdString();
    ASSERT_EQ(storeSecret(workKey(), "Ombrix: Work", "kept"), SecretOutcome::Done);

    ASSERT_TRUE(test::lockDefaultCollection());

    EXPECT_EQ(lookupSecret(workKey()).outcome, SecretOutcome::Locked);
    EXPECT_EQ(storeSecret(workKey(), "Ombrix: Work", "other"), SecretOutcome::Locked);
    EXPECT_EQ(clearSecret(workKey()), SecretOutcome::Locked);

    // Still there: a search that does not unlock finds it, locked.
    GError* error = nullptr;
    GList* items = secret_password_search_sync(lookalikeSchema(), SECRET_SEARCH_ALL, nullptr,
                                               &error, "host", "mail.example.org", nullptr);
    ASSERT_EQ(error, nullptr) << error->message;
    ASSERT_EQ(g_list_length(items), 1u);
    EXPECT_TRUE(secret_item_get_locked(SECRET_ITEM(items->data)));
    g_list_free_full(items, g_object_unref);
}

// A Secret Service that takes every call and answers none: the keyring as it
// is while its unlock prompt waits for a user who is not there.
class SilentSecretService {
public:
    SilentSecretService() {
        GError* error = nullptr;
        connection_ = g_dbus_connection_new_for_address_sync(
            std::getenv("DBUS_SESSION_BUS_ADDRESS"),
            GDBusConnectionFlags(G_DBUS_CONNECTION_FLAGS_AUTHENTICATION_CLIENT |
                                 G_DBUS_CONNECTION_FLAGS_MESSAGE_BUS_CONNECTION),
            nullptr, nullptr, &error);
        if (!connection_) {
            g_error_free(error);
            return;
        }
        g_dbus_connection_add_filter(connection_, &SilentSecretService::swallow, this, nullptr);
        GVariant* reply = g_dbus_connection_call_sync(
            connection_, "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus",
            "RequestName", g_variant_new("(su)", "org.freedesktop.secrets", 4u /* no queueing */),
            G_VARIANT_TYPE("(u)"), G_DBUS_CALL_FLAGS_NONE, -1, nullptr, &error);
        if (!reply) {
            g_error_free(error);
            return;
        }
        guint32 answer = 0;
        g_variant_get(reply, "(u)", &answer);
        g_variant_unref(reply);
        owned_ = answer == 1; // the primary owner
    }
    ~SilentSecretService() {
        if (connection_)
            g_object_unref(connection_);
    }

    bool owned() const { return owned_; }
    bool waitForCall() {
        std::unique_lock lock(mutex_);
        return called_.wait_for(lock, std::chrono::seconds(20), [this] { return calls_ > 0; });
    }
    int calls() {
        const std::lock_guard lock(mutex_);
        return calls_;
    }

private:
    // GDBus's own thread: a call dropped here is never answered.
    static GDBusMessage* swallow(GDBusConnection*, GDBusMessage* message, gboolean incoming,
                                 gpointer data) {
        if (!incoming ||
            g_dbus_message_get_message_type(message) != G_DBUS_MESSAGE_TYPE_METHOD_CALL)
            return message;
        auto* self = static_cast<SilentSecretService*>(data);
        {
            const std::lock_guard lock(self->mutex_);
            ++self->calls_;
        }
        self->called_.notify_all();
        g_object_unref(message);
        return nullptr;
    }

    GDBusConnection* connection_ = nullptr;
    bool owned_ = false;
    std::mutex mutex_;
    std::condition_variable called_;
    int calls_ = 0;
};

// The program's end cancels a call that waits for the keyring, and every
// later one comes back at once without asking it: nothing is stored.
TEST(SecretStoreCancelTest, TheEndOfTheProgramCancelsAWaitingCallAndAllLaterOnes) {
    ASSERT_TRUE(test::sessionBusAvailable());
    SilentSecretService service;
    ASSERT_TRUE(service.owned());
    auto waiting = std::async(std::launch::async, [] { return lookupSecret(workKey()); });
    ASSERT_TRUE(service.waitForCall()) << "the lookup never reached the keyring";

    cancelSecretCalls();
    EXPECT_EQ(waiting.get().outcome, SecretOutcome::Locked);

    const int callsBefore = service.calls();
    EXPECT_EQ(storeSecret(workKey(), "Ombrix: Work", "pw"), SecretOutcome::Locked);
    EXPECT_EQ(clearSecret(workKey()), SecretOutcome::Locked);
    EXPECT_EQ(service.calls(), callsBefore);
}

} // namespace
} // namespace ombrix
