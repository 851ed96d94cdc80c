#include "platform/sleep_watch.h"

namespace ombrix {

SleepWatch::SleepWatch(QDBusConnection bus, QObject* parent) : QObject(parent) {
    if (!bus.isConnected())
        return;
    listening_ = bus.connect(QString::fromLatin1(kLogindService), QString::fromLatin1(kLogindPath),
                             QString::fromLatin1(kLogindManager), QStringLiteral("PrepareForSleep"),
                             this, SLOT(onPrepareForSleep(bool)));
}

void SleepWatch::onPrepareForSleep(bool sleeping) {
    if (sleeping)
        emit goingToSleep();
    else
        emit wokeUp();
}

} // namespace ombrix
