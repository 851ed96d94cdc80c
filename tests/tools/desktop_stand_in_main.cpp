// The parts of a desktop that Weston lacks, for pictures of the program on
// Wayland: a notification server and a tray (StatusNotifierWatcher and a
// host) on the session bus, each drawn as a window of its own when told.
// What the windows show is what the program sent; how it looks is ours.
//
// Usage: ombrix_desktop_stand_in LOG < COMMANDS
// LOG gets one line per event: ready, notify ID SUMMARY, closed ID,
// item SERVICE PATH, shown notification|tray, hidden, error TEXT.
// Commands, one a line: show notification | show tray | hide | quit.

#include "app/fake_status_notifier_watcher.h"
#include "tools/notification_bubble.h"
#include "tools/notification_server.h"
#include "tools/tray_panel.h"

#include <QApplication>
#include <QFile>
#include <QSocketNotifier>
#include <QTextStream>
#include <cerrno>
#include <cstdio>
#include <memory>
#include <unistd.h>

namespace ombrix::standin {
namespace {

class StandInDesktop : public QObject {
public:
    StandInDesktop(QFile& log, QDBusConnection bus)
        : log_(&log), bus_(bus), notifications_(bus), watcher_(bus, false) {
        connect(&notifications_, &NotificationServer::notified, this, [this] {
            const Notification& shown = notifications_.last();
            write(QStringLiteral("notify %1 %2").arg(shown.id).arg(shown.summary));
        });
        connect(&notifications_, &NotificationServer::closed, this,
                [this] { write(QStringLiteral("closed %1").arg(notifications_.last().id)); });
        connect(&watcher_, &test::FakeStatusNotifierWatcher::itemRegistered, this, [this] {
            write(QStringLiteral("item %1 %2").arg(watcher_.itemService(), watcher_.itemPath()));
        });
    }

    bool start() { return notifications_.start() && watcher_.start(); }

    void write(const QString& line) { log_ << line << Qt::endl; }

    // False once told to quit.
    bool command(const QString& line) {
        const QString words = line.simplified();
        if (words == QLatin1String("show notification"))
            showNotification();
        else if (words == QLatin1String("show tray"))
            showTray();
        else if (words == QLatin1String("hide"))
            hide();
        else if (words == QLatin1String("quit"))
            return false;
        else if (!words.isEmpty())
            write(QStringLiteral("error unknown command: ") + words);
        return true;
    }

private:
    void showNotification() {
        hide();
        if (!notifications_.hasOpen()) {
            write(QStringLiteral("error no open notification"));
            return;
        }
        auto bubble = std::make_unique<NotificationBubble>(notifications_.last());
        connect(bubble.get(), &NotificationBubble::actionChosen, &notifications_,
                &NotificationServer::invokeAction);
        show(std::move(bubble), QStringLiteral("notification"));
    }

    void showTray() {
        hide();
        if (watcher_.itemService().isEmpty()) {
            write(QStringLiteral("error no item registered"));
            return;
        }
        const TrayItem item = readTrayItem(bus_, watcher_.itemService(), watcher_.itemPath());
        if (!item.error.isEmpty()) {
            write(QStringLiteral("error the item could not be read: ") + item.error);
            return;
        }
        show(std::make_unique<TrayPanel>(item), QStringLiteral("tray"));
    }

    void show(std::unique_ptr<QWidget> window, const QString& what) {
        window_ = std::move(window);
        window_->show();
        write(QStringLiteral("shown ") + what);
    }

    void hide() {
        if (!window_)
            return;
        window_.reset();
        write(QStringLiteral("hidden"));
    }

    QTextStream log_;
    QDBusConnection bus_;
    NotificationServer notifications_;
    test::FakeStatusNotifierWatcher watcher_;
    std::unique_ptr<QWidget> window_;
};

} // namespace
} // namespace ombrix::standin

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    app.setQuitOnLastWindowClosed(false); // the desktop outlives the windows it draws
    if (argc != 2) {
        std::fputs("usage: ombrix_desktop_stand_in LOG < COMMANDS\n", stderr);
        return 2;
    }
    QFile log(QString::fromLocal8Bit(argv[1]));
    if (!log.open(QIODevice::Append | QIODevice::Text)) {
        std::fprintf(stderr, "ombrix_desktop_stand_in: cannot write %s\n", argv[1]);
        return 1;
    }
    ombrix::standin::StandInDesktop desktop(log, QDBusConnection::sessionBus());
    if (!desktop.start()) {
        desktop.write(QStringLiteral("error the session bus refused the services' names"));
        return 1;
    }

    // Read by hand: a buffered QFile would keep a second line that arrived
    // with the first until more input woke the notifier.
    QByteArray pending;
    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    QObject::connect(&input, &QSocketNotifier::activated, &app, [&] {
        char chunk[4096];
        const ssize_t got = ::read(STDIN_FILENO, chunk, sizeof chunk);
        if (got < 0 && errno == EINTR)
            return;
        if (got <= 0) { // the end of input ends the desktop, as a session that logs out
            desktop.write(QStringLiteral("end of commands"));
            app.quit();
            return;
        }
        pending.append(chunk, got);
        for (qsizetype end = pending.indexOf('\n'); end >= 0; end = pending.indexOf('\n')) {
            const QString line = QString::fromUtf8(pending.left(end));
            pending.remove(0, end + 1);
            if (!desktop.command(line)) {
                app.quit();
                return;
            }
        }
    });
    desktop.write(QStringLiteral("ready"));
    return app.exec();
}
