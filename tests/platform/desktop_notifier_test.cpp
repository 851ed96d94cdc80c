// The desktop notification client against a fake service on a private bus.

#include "platform/desktop_notifier.h"
#include "platform/fake_notification_service.h"
#include "support/private_session_bus.h"

#include <QDBusArgument>
#include <QDBusMetaType>
#include <QSignalSpy>
#include <gtest/gtest.h>

namespace ombrix {
namespace {

using test::FakeNotificationService;
using test::PrivateSessionBus;

// A failure guard only: every wait ends as soon as its signal arrives.
constexpr int kBound = 20000;

const QString kNotifySignature = QStringLiteral("susssasa{sv}i");

class DesktopNotifierTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(bus_.running()) << "dbus-daemon did not start";
        serviceBus_ = bus_.connect(QStringLiteral("service"));
        clientBus_ = bus_.connect(QStringLiteral("client"));
        ASSERT_TRUE(serviceBus_.isConnected());
        ASSERT_TRUE(clientBus_.isConnected());
    }

    void startService(QStringList capabilities) {
        service_ = std::make_unique<FakeNotificationService>(serviceBus_, std::move(capabilities));
        ASSERT_TRUE(service_->registered());
    }

    // Announces and waits for the service's answer; returns the Notify call.
    test::RecordedCall announce(DesktopNotifier& notifier, const QString& summary) {
        QSignalSpy answered(&notifier, &DesktopNotifier::announced);
        notifier.announce(
            {summary, {QStringLiteral("2 new mails")}, {}, NotificationUrgency::Normal});
        EXPECT_TRUE(answered.wait(kBound));
        for (auto it = service_->calls.crbegin(); it != service_->calls.crend(); ++it)
            if (it->member == QLatin1String("Notify"))
                return *it;
        ADD_FAILURE() << "no Notify call";
        return {};
    }

    PrivateSessionBus bus_;
    QDBusConnection serviceBus_{QString()};
    QDBusConnection clientBus_{QString()};
    std::unique_ptr<FakeNotificationService> service_;
};

QVariantMap hintsOf(const test::RecordedCall& call) {
    return qdbus_cast<QVariantMap>(call.arguments.value(6));
}

TEST_F(DesktopNotifierTest, NotifyCarriesTheTypedHintsAndReplacesItsOwnSummary) {
    startService({QStringLiteral("body"), QStringLiteral("actions")});
    DesktopNotifier notifier(clientBus_);
    notifier.setActionLabels(
        {QStringLiteral("open"), QStringLiteral("mark all read"), QStringLiteral("check")});

    const test::RecordedCall first = announce(notifier, QStringLiteral("Ombrix: new mail"));
    EXPECT_EQ(first.signature, kNotifySignature);
    EXPECT_EQ(first.arguments.value(1).toUInt(), 0u);
    EXPECT_EQ(first.arguments.value(2).toString(), QStringLiteral("org.ombrix.Ombrix"));
    EXPECT_EQ(first.arguments.value(3).toString(), QStringLiteral("Ombrix: new mail"));
    EXPECT_EQ(first.arguments.value(4).toString(), QStringLiteral("2 new mails"));
    const QStringList actions = qdbus_cast<QStringList>(first.arguments.value(5));
    EXPECT_EQ(actions, QStringList({QStringLiteral("default"), QStringLiteral("open"),
                                    QStringLiteral("mark-read"), QStringLiteral("mark all read"),
                                    QStringLiteral("check-now"), QStringLiteral("check")}));

    const QVariantMap hints = hintsOf(first);
    EXPECT_EQ(hints.value(QStringLiteral("category")).toString(), QStringLiteral("email.arrived"));
    EXPECT_EQ(hints.value(QStringLiteral("desktop-entry")).toString(),
              QStringLiteral("org.ombrix.Ombrix"));
    const QVariant urgency = hints.value(QStringLiteral("urgency"));
    EXPECT_EQ(urgency.metaType().id(), QMetaType::UChar) << urgency.typeName();
    EXPECT_EQ(urgency.toUInt(), 1u);

    const uint id = notifier.currentId();
    ASSERT_NE(id, 0u);
    const test::RecordedCall second = announce(notifier, QStringLiteral("Ombrix: more mail"));
    EXPECT_EQ(second.arguments.value(1).toUInt(), id);
    EXPECT_EQ(second.arguments.value(3).toString(), QStringLiteral("Ombrix: more mail"));
    // The capabilities are asked once.
    EXPECT_EQ(std::count_if(service_->calls.cbegin(), service_->calls.cend(),
                            [](const test::RecordedCall& call) {
                                return call.member == QLatin1String("GetCapabilities");
                            }),
              1);
}

TEST_F(DesktopNotifierTest, NoActionsWhereTheServiceOffersNone) {
    startService({QStringLiteral("body")});
    DesktopNotifier notifier(clientBus_);
    const test::RecordedCall call = announce(notifier, QStringLiteral("Ombrix"));
    EXPECT_EQ(call.signature, kNotifySignature);
    EXPECT_TRUE(qdbus_cast<QStringList>(call.arguments.value(5)).isEmpty());
}

TEST_F(DesktopNotifierTest, ActionsOfOurIdOpenOrMarkReadForeignOnesAreIgnored) {
    startService({QStringLiteral("actions")});
    DesktopNotifier notifier(clientBus_);
    announce(notifier, QStringLiteral("Ombrix"));
    const uint id = notifier.currentId();
    QSignalSpy open(&notifier, &DesktopNotifier::openWindowRequested);
    QSignalSpy markRead(&notifier, &DesktopNotifier::markReadRequested);

    // Signals of one sender arrive in order: once ours is in, the foreign one
    // before it has been seen too.
    service_->emitActionInvoked(id + 100, QStringLiteral("default"));
    service_->emitActionInvoked(id + 100, QStringLiteral("mark-read"));
    service_->emitActionInvoked(id, QStringLiteral("default"));
    ASSERT_TRUE(open.wait(kBound));
    EXPECT_EQ(open.count(), 1);
    EXPECT_EQ(markRead.count(), 0);

    service_->emitActionInvoked(id, QStringLiteral("mark-read"));
    ASSERT_TRUE(markRead.wait(kBound));
    EXPECT_EQ(open.count(), 1);
    EXPECT_EQ(markRead.count(), 1);
}

TEST_F(DesktopNotifierTest, ClosingAForeignIdKeepsOursClosingOursStartsANewOne) {
    startService({QStringLiteral("actions")});
    DesktopNotifier notifier(clientBus_);
    announce(notifier, QStringLiteral("Ombrix"));
    const uint id = notifier.currentId();
    QSignalSpy open(&notifier, &DesktopNotifier::openWindowRequested);
    QSignalSpy closed(&notifier, &DesktopNotifier::closed);

    service_->emitNotificationClosed(id + 7, 2);
    service_->emitActionInvoked(id, QStringLiteral("default")); // marks the order
    ASSERT_TRUE(open.wait(kBound));
    EXPECT_EQ(closed.count(), 0);
    EXPECT_EQ(notifier.currentId(), id);
    EXPECT_EQ(announce(notifier, QStringLiteral("again")).arguments.value(1).toUInt(), id);

    service_->emitNotificationClosed(id, 2);
    ASSERT_TRUE(closed.wait(kBound));
    EXPECT_EQ(notifier.currentId(), 0u);
    EXPECT_EQ(announce(notifier, QStringLiteral("new")).arguments.value(1).toUInt(), 0u);
}

TEST_F(DesktopNotifierTest, MissingOrVanishedServiceFailsNothing) {
    DesktopNotifier notifier(clientBus_);
    {
        QSignalSpy unanswered(&notifier, &DesktopNotifier::unanswered);
        notifier.announce({QStringLiteral("Ombrix"), {}, {}, NotificationUrgency::Normal});
        ASSERT_TRUE(unanswered.wait(kBound));
        EXPECT_EQ(notifier.currentId(), 0u);
    }

    startService({QStringLiteral("actions")});
    announce(notifier, QStringLiteral("Ombrix"));
    ASSERT_NE(notifier.currentId(), 0u);

    service_.reset(); // the service leaves the bus
    {
        QSignalSpy unanswered(&notifier, &DesktopNotifier::unanswered);
        notifier.announce({QStringLiteral("Ombrix"), {}, {}, NotificationUrgency::Normal});
        ASSERT_TRUE(unanswered.wait(kBound));
    }
    // A new service never heard of our old id.
    startService({QStringLiteral("actions")});
    const test::RecordedCall call = announce(notifier, QStringLiteral("back"));
    EXPECT_EQ(call.arguments.value(1).toUInt(), 0u);
    EXPECT_EQ(call.signature, kNotifySignature);
}

} // namespace
} // namespace ombrix
