// The desktop notification client against a fake service on a private bus.

#include "platform/desktop_notifier.h"
#include "platform/fake_notification_service.h"
#include "support/gui_wait.h"
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

// What a mail's header may hold: every character the markup gives a meaning.
DesktopNotification awkwardMail() {
    DesktopNotification notification{QStringLiteral("1 new mail"),
                                     {QStringLiteral("A&B <alice> \u2014 \"Q3\" isn't done")},
                                     QStringLiteral("and 2 more"),
                                     NotificationUrgency::Normal};
    return notification;
}

TEST_F(DesktopNotifierTest, TheBodyIsEscapedExactlyWhereTheServiceReadsMarkup) {
    startService({QStringLiteral("body"), QStringLiteral("body-markup")});
    {
        DesktopNotifier notifier(clientBus_);
        QSignalSpy answered(&notifier, &DesktopNotifier::announced);
        notifier.announce(awkwardMail());
        ASSERT_TRUE(answered.wait(kBound));
        const test::RecordedCall& call = service_->calls.back();
        EXPECT_EQ(call.arguments.value(3).toString(), QStringLiteral("1 new mail"));
        EXPECT_EQ(call.arguments.value(4).toString(),
                  QStringLiteral("A&amp;B &lt;alice&gt; \u2014 &quot;Q3&quot; isn&#39;t done\n"
                                 "and 2 more"));
    }
    service_.reset();
    startService({QStringLiteral("body")}); // a service of plain text
    DesktopNotifier notifier(clientBus_);
    QSignalSpy answered(&notifier, &DesktopNotifier::announced);
    notifier.announce(awkwardMail());
    ASSERT_TRUE(answered.wait(kBound));
    EXPECT_EQ(service_->calls.back().arguments.value(4).toString(),
              QStringLiteral("A&B <alice> \u2014 \"Q3\" isn't done\nand 2 more"));
}

TEST_F(DesktopNotifierTest, SuppressSoundIsHintedOnlyWhileTheProgramSoundsItself) {
    startService({QStringLiteral("body")});
    DesktopNotifier notifier(clientBus_);
    DesktopNotification notification = awkwardMail();
    notification.suppressSound = true;
    QSignalSpy answered(&notifier, &DesktopNotifier::announced);
    notifier.announce(notification);
    ASSERT_TRUE(answered.wait(kBound));
    const QVariant suppress =
        hintsOf(service_->calls.back()).value(QStringLiteral("suppress-sound"));
    EXPECT_EQ(suppress.metaType().id(), QMetaType::Bool) << suppress.typeName();
    EXPECT_TRUE(suppress.toBool());

    notification.suppressSound = false;
    notifier.announce(notification);
    ASSERT_TRUE(answered.wait(kBound));
    EXPECT_FALSE(hintsOf(service_->calls.back()).contains(QStringLiteral("suppress-sound")));
}

TEST_F(DesktopNotifierTest, AWithdrawalBeforeTheReplyClosesTheIdOnceItComes) {
    startService({QStringLiteral("actions")});
    DesktopNotifier notifier(clientBus_);
    announce(notifier, QStringLiteral("first"));
    const uint first = notifier.currentId();
    notifier.withdraw(); // the id is known: closed at once
    EXPECT_EQ(notifier.currentId(), 0u);

    QSignalSpy answered(&notifier, &DesktopNotifier::announced);
    notifier.announce({QStringLiteral("second"), {}, {}, NotificationUrgency::Normal});
    notifier.withdraw(); // Notify is on its way: its id is not known yet
    ASSERT_TRUE(answered.wait(kBound));
    const uint second = answered.value(0).value(0).toUInt();
    ASSERT_NE(second, 0u);
    EXPECT_NE(second, first);
    ASSERT_TRUE(test::processEventsUntil(
        [&] { return service_->calls.back().member == QLatin1String("CloseNotification"); },
        kBound));
    QVector<uint> closedIds;
    for (const test::RecordedCall& call : service_->calls)
        if (call.member == QLatin1String("CloseNotification"))
            closedIds << call.arguments.value(0).toUInt();
    EXPECT_EQ(closedIds, QVector<uint>({first, second}));
    EXPECT_EQ(notifier.currentId(), 0u);

    // An announcement after a withdrawal that still waits takes its place.
    answered.clear();
    notifier.announce({QStringLiteral("third"), {}, {}, NotificationUrgency::Normal});
    notifier.withdraw();
    notifier.announce({QStringLiteral("fourth"), {}, {}, NotificationUrgency::Normal});
    ASSERT_TRUE(test::processEventsUntil([&] { return answered.count() == 2; }, kBound));
    EXPECT_NE(notifier.currentId(), 0u);
    EXPECT_EQ(service_->calls.back().member, QLatin1String("Notify"));
    EXPECT_EQ(service_->calls.back().arguments.value(3).toString(), QStringLiteral("fourth"));
    EXPECT_EQ(std::count_if(service_->calls.cbegin(), service_->calls.cend(),
                            [](const test::RecordedCall& call) {
                                return call.member == QLatin1String("CloseNotification");
                            }),
              2);
}

TEST_F(DesktopNotifierTest, OpeningCarriesTheActivationTokenAndCheckNowIsAnAction) {
    startService({QStringLiteral("actions")});
    DesktopNotifier notifier(clientBus_);
    announce(notifier, QStringLiteral("Ombrix"));
    const uint id = notifier.currentId();
    QSignalSpy open(&notifier, &DesktopNotifier::openWindowRequested);
    QSignalSpy checkNow(&notifier, &DesktopNotifier::checkNowRequested);

    service_->emitActivationToken(id, QStringLiteral("token-1"));
    service_->emitActionInvoked(id, QStringLiteral("default"));
    ASSERT_TRUE(open.wait(kBound));
    EXPECT_EQ(open.value(0).value(0).toString(), QStringLiteral("token-1"));

    // A token is good for its own action only; one for a foreign id is not ours.
    service_->emitActivationToken(id + 1, QStringLiteral("foreign"));
    service_->emitActionInvoked(id, QStringLiteral("default"));
    ASSERT_TRUE(open.wait(kBound));
    EXPECT_EQ(open.value(1).value(0).toString(), QString());

    service_->emitActionInvoked(id, QStringLiteral("check-now"));
    ASSERT_TRUE(checkNow.wait(kBound));
    EXPECT_EQ(open.count(), 2);
}

} // namespace
} // namespace ombrix
