#include "support/secret_prompt_counter.h"

#include <QDBusConnection>
#include <QDBusMessage>

namespace ombrix::test {
namespace {

// Upper bounds only: the waits end when the monitor has reported the mark.
constexpr int kMonitorStartBound = 20000;
constexpr int kMarkBound = 30000;

const QString kMarkInterface = QStringLiteral("org.ombrix.Test.PromptCount");

// A call to this process itself, unanswered: the bus routes it (and the
// monitor sees it) all the same.
void sendMark() {
    QDBusConnection bus = QDBusConnection::sessionBus();
    QDBusMessage mark = QDBusMessage::createMethodCall(bus.baseService(), QStringLiteral("/"),
                                                       kMarkInterface, QStringLiteral("Mark"));
    mark.setAutoStartService(false);
    bus.send(mark);
}

} // namespace

SecretPromptCounter::SecretPromptCounter() {
    monitor_.setProcessChannelMode(QProcess::SeparateChannels);
    monitor_.start(QStringLiteral("dbus-monitor"),
                   {QStringLiteral("--session"), QStringLiteral("--monitor"),
                    QStringLiteral("type='method_call',interface='org.freedesktop.Secret.Prompt',"
                                   "member='Prompt'"),
                    QStringLiteral("type='method_call',interface='%1'").arg(kMarkInterface)});
    monitoring_ = monitor_.waitForStarted(kMonitorStartBound) && awaitMonitor() && awaitMark();
}

// The bus tells a new monitor that it has lost its name; before that, a
// mark would pass unseen.
bool SecretPromptCounter::awaitMonitor() {
    while (!pending_.contains("member=NameLost")) {
        if (!monitor_.waitForReadyRead(kMarkBound))
            return false;
        pending_ += monitor_.readAllStandardOutput();
    }
    pending_.clear();
    return true;
}

SecretPromptCounter::~SecretPromptCounter() {
    monitor_.terminate();
    monitor_.waitForFinished(kMonitorStartBound);
}

int SecretPromptCounter::prompts() {
    awaitMark();
    return prompts_;
}

bool SecretPromptCounter::awaitMark() {
    const int before = marks_;
    sendMark();
    while (marks_ == before) {
        if (!monitor_.waitForReadyRead(kMarkBound))
            return false;
        pending_ += monitor_.readAllStandardOutput();
        for (qsizetype end = pending_.indexOf('\n'); end >= 0; end = pending_.indexOf('\n')) {
            const QByteArray line = pending_.left(end);
            pending_.remove(0, end + 1);
            if (!line.startsWith("method call"))
                continue;
            if (line.contains("interface=" + kMarkInterface.toUtf8()))
                ++marks_;
            else if (line.contains("interface=org.freedesktop.Secret.Prompt; member=Prompt"))
                ++prompts_;
        }
    }
    return true;
}

} // namespace ombrix::test
