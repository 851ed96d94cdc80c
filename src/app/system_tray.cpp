#include "app/system_tray.h"

#include "core/display_field.h"
#include "platform/desktop_session.h"
#include "platform/display_qstring.h"
#include "platform/screen.h"
#include "res/menus.h"

#include <QCursor>
#include <QMenu>
#include <QThread>
#include <QWidget>
#include <utility>

namespace ombrix {
namespace {

const TrayItemIdentity kTrayItem{QStringLiteral("ombrix"), QStringLiteral("Communications")};

bool isUtf8Continuation(unsigned char byte) {
    return (byte & 0xC0) == 0x80;
}

QString menuText(const res::MenuItem& item, bool german) {
    return QString::fromUtf8(german ? item.german : item.english);
}

} // namespace

std::string limitTooltip(const std::string& text) {
    if (text.size() <= kTooltipBytes)
        return text;
    std::string cut = text.substr(0, kTooltipBytes);
    if (isValidUtf8(text)) {
        // Shown as UTF-8: end on a whole character.
        std::size_t end = kTooltipBytes;
        while (end > 0 && isUtf8Continuation(static_cast<unsigned char>(text[end])))
            --end;
        cut.resize(end);
    }
    return cut;
}

CSystemTray::CSystemTray(std::unique_ptr<TrayShell> shell, QObject* parent)
    : QObject(parent), shell_(shell ? std::move(shell) : makeQtTrayShell(kTrayItem)),
      activateWindow_(ombrix::activateWindow) {
    shell_->activated = [this](TrayActivation activation) {
        // The window that this activation opens may use the host's token.
        activationToken_ = shell_->takeActivationToken();
        switch (activation) {
        case TrayActivation::DoubleClick:
            HandleTrayMessage(identifier_, TrayMouse::LeftButtonDoubleClick);
            break;
        case TrayActivation::Context:
            HandleTrayMessage(identifier_, TrayMouse::RightButtonUp);
            break;
        case TrayActivation::Trigger:
            // A StatusNotifierItem host sends one activation per click and
            // never a double click: there the click is the way to open.
            HandleTrayMessage(identifier_, shell_->clicksAreSingle()
                                               ? TrayMouse::LeftButtonDoubleClick
                                               : TrayMouse::LeftButtonUp);
            break;
        case TrayActivation::Other:
            HandleTrayMessage(identifier_, TrayMouse::Other);
            break;
        }
        activationToken_.clear();
    };
    // A host that comes or goes is answered at once, not at the next poll.
    shell_->availabilityChanged = [this] { pollTray(); };
    trayPoll_.setInterval(kTrayPollMs);
    connect(&trayPoll_, &QTimer::timeout, this, [this] { pollTray(); });
}

CSystemTray::~CSystemTray() {
    RemoveTrayIcon();
    delete menu_;
    delete hostMenu_;
}

int CSystemTray::CreateTrayIcon(QWidget* /*parent*/, int callbackMessage,
                                const std::string& tooltip, const QIcon& icon, int identifier) {
    identifier_ = identifier;
    callbackMessage_ = callbackMessage;
    icon_ = icon;
    tooltip_ = limitTooltip(tooltip);
    created_ = true;
    hidden_ = false;
    delete hostMenu_;
    hostMenu_ = buildMenu(); // for hosts that open the icon's menu themselves
    shell_->setMenu(hostMenu_);
    const bool added = add();
    removed_ = !added;
    addPending_ = !added;
    trayWasAvailable_ = shell_->available();
    trayPoll_.start();
    return added ? 1 : 0;
}

bool CSystemTray::add() {
    return shell_->add(icon_, toDisplay(tooltip_));
}

bool CSystemTray::onWindowThread() const {
    return QThread::currentThread() == thread();
}

int CSystemTray::ChangeIcon(const QIcon& icon) {
    if (!created_)
        return 0;
    if (!onWindowThread()) {
        QMetaObject::invokeMethod(
            this, [this, icon] { ChangeIcon(icon); }, Qt::QueuedConnection);
        return 1;
    }
    icon_ = icon;
    if (hidden_ || removed_)
        return 1; // kept for the moment the icon is added
    return shell_->modify(icon_, toDisplay(tooltip_)) ? 1 : 0;
}

int CSystemTray::ChangeTooltip(const std::string& text) {
    if (!created_)
        return 0;
    if (!onWindowThread()) {
        QMetaObject::invokeMethod(
            this, [this, text] { ChangeTooltip(text); }, Qt::QueuedConnection);
        return 1;
    }
    tooltip_ = limitTooltip(text);
    if (hidden_ || removed_)
        return 1;
    return shell_->modify(icon_, toDisplay(tooltip_)) ? 1 : 0;
}

bool CSystemTray::HideToTray(QWidget* window) {
    if (!window)
        return false;
    if (removed_) {
        // No tray to come back from: an ordinary minimized window keeps its
        // taskbar entry, which is the way back.
        if (!window->isMinimized())
            window->showMinimized();
        return false;
    }
    window->hide();
    hiddenWindow_ = window;
    return true;
}

void CSystemTray::RestoreFromTray(QWidget* window) {
    if (!window)
        return;
    hiddenWindow_ = nullptr;
    minimizedForLostTray_ = false;
    activateWindow_(window, std::exchange(activationToken_, {}));
}

bool CSystemTray::RemoveTrayIcon() {
    addPending_ = false;
    trayPoll_.stop();
    if (!created_ || removed_)
        return true;
    if (shell_->remove()) {
        removed_ = true;
        hidden_ = true;
    }
    return removed_;
}

void CSystemTray::ReinstallIcon() {
    if (!addPending_ || hidden_)
        return;
    const bool added = add();
    removed_ = !added;
    addPending_ = !added;
}

void CSystemTray::pollTray() {
    const bool available = shell_->available();
    if (available == trayWasAvailable_)
        return;
    trayWasAvailable_ = available;
    if (available) {
        ReinstallIcon();
        takeBackIntoTray();
    } else if (!hidden_) {
        // The tray host went away: the icon must be added to the next one.
        removed_ = true;
        addPending_ = true;
        bringOutOfLostTray();
    }
}

// A window hidden into a tray that has gone would be unreachable: it becomes
// an ordinary minimized window with its taskbar entry until a tray is back.
void CSystemTray::bringOutOfLostTray() {
    if (!hiddenWindow_ || !hiddenWindow_->isHidden())
        return;
    hiddenWindow_->showMinimized();
    minimizedForLostTray_ = true;
}

// The window goes back only when nobody has opened it meanwhile. A Wayland
// client never learns whether its window is minimized (Qt drops the state at
// once): there a window nobody works in counts as still minimized.
void CSystemTray::takeBackIntoTray() {
    if (!minimizedForLostTray_ || !hiddenWindow_ || removed_)
        return;
    minimizedForLostTray_ = false;
    const bool untouched =
        hiddenWindow_->isMinimized() || (onWayland() && !hiddenWindow_->isActiveWindow());
    if (untouched)
        hiddenWindow_->hide();
}

int CSystemTray::HandleTrayMessage(int identifier, TrayMouse message) {
    if (identifier != identifier_ || !created_)
        return 0;
    if (!target_)
        return 0;
    switch (message) {
    case TrayMouse::RightButtonUp:
        showMenu();
        break;
    case TrayMouse::LeftButtonDoubleClick:
        target_(defaultCommand());
        break;
    default:
        break; // a single click does nothing
    }
    return 1;
}

int CSystemTray::defaultCommand() const {
    return res::trayMenu().items.front().command;
}

void CSystemTray::showMenu() {
    delete menu_;
    menu_ = buildMenu();
    menu_->popup(QCursor::pos());
}

QMenu* CSystemTray::buildMenu() {
    const bool german = identifier_ == res::kTrayMenuGerman;
    auto* menu = new QMenu;
    menu->setAttribute(Qt::WA_DeleteOnClose, false);
    bool first = true;
    for (const res::MenuItem& item : res::trayMenu().items) {
        if (!item.german) {
            menu->addSeparator();
            continue;
        }
        QAction* action = menu->addAction(menuText(item, german));
        const int command = item.command;
        connect(action, &QAction::triggered, this, [this, command] {
            if (target_)
                target_(command);
        });
        if (first)
            menu->setDefaultAction(action); // drawn bold, as the double click's command
        first = false;
    }
    return menu;
}

QRect CSystemTray::LocateTrayArea() const {
    return locateTrayArea(primaryScreenLayout(), shell_->geometry());
}

} // namespace ombrix
