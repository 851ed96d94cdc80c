#pragma once
// The tray icon of the process: creating it, changing its image and tooltip,
// hiding the main window into the tray and bringing it back, and turning the
// icon's menu and double click into the main window's commands.
//
// Where the desktop has no tray (yet), the window is never hidden into it: it
// minimizes normally, and the icon is added as soon as a tray appears.

#include "platform/tray_shell.h"

#include <QIcon>
#include <QMenu>
#include <QObject>
#include <QPointer>
#include <QRect>
#include <QString>
#include <QTimer>
#include <functional>
#include <memory>
#include <string>

class QWidget;

namespace ombrix {

// The mouse messages of the icon, as the shell reports them.
enum class TrayMouse { LeftButtonUp, LeftButtonDoubleClick, RightButtonUp, Other };

inline constexpr int kTrayCallbackMessage = 0x8001; // WM_APP + 1
inline constexpr std::size_t kTooltipBytes = 127;

class CSystemTray : public QObject {
public:
    // Without a shell the desktop's real tray is used.
    explicit CSystemTray(std::unique_ptr<TrayShell> shell = {}, QObject* parent = nullptr);
    ~CSystemTray() override;

    // Returns 1 when the icon is in a tray now, 0 when it waits for one.
    int CreateTrayIcon(QWidget* parent, int callbackMessage, const std::string& tooltip,
                       const QIcon& icon, int identifier);
    // Both may be called from any thread; off the window thread the change is
    // queued onto it (and 1 is returned). 0 before the icon was created.
    int ChangeIcon(const QIcon& icon);
    int ChangeTooltip(const std::string& text);

    // True when the window went into the tray; false when there is no tray
    // and it was minimized normally instead.
    bool HideToTray(QWidget* window);
    void RestoreFromTray(QWidget* window);
    bool RemoveTrayIcon();
    // Adds the icon again, with its current image and tooltip, when an add
    // is owed (the tray was missing or has been re-created).
    void ReinstallIcon();

    // The icon's messages. Returns 0 for an identifier that is not ours or
    // when there is no target window, else 1.
    int HandleTrayMessage(int identifier, TrayMouse message);

    // Where the commands of the menu and the double click go (the main window).
    void setCommandTarget(std::function<void(int)> target) { target_ = std::move(target); }

    // The screen rectangle of the notification area.
    QRect LocateTrayArea() const;

    // Where RestoreFromTray brings the window up, with the tray host's
    // activation token when a click on the icon asked for it (tests watch).
    void setWindowActivator(std::function<void(QWidget*, const QString&)> activator) {
        activateWindow_ = std::move(activator);
    }

    // How often a missing tray is looked for, besides the shell's own news.
    static constexpr int kTrayPollMs = 1000;

    std::string tooltip() const { return tooltip_; }
    QIcon icon() const { return icon_; }
    int identifier() const { return identifier_; }
    bool isHidden() const { return hidden_; }
    bool isRemoved() const { return removed_; }
    bool isAddPending() const { return addPending_; }
    // The menu the last right click opened (nullptr before any).
    QMenu* openMenu() const { return menu_; }
    // The menu handed to hosts that show it themselves.
    QMenu* hostMenu() const { return hostMenu_; }

private:
    bool onWindowThread() const;
    void pollTray();
    void showMenu();
    QMenu* buildMenu();
    void bringOutOfLostTray();
    void takeBackIntoTray();
    int defaultCommand() const;
    bool add();

    std::unique_ptr<TrayShell> shell_;
    std::function<void(int)> target_;
    std::function<void(QWidget*, const QString&)> activateWindow_;
    QString activationToken_; // while an activation of the icon is handled
    QPointer<QMenu> menu_;
    QPointer<QMenu> hostMenu_;
    QPointer<QWidget> hiddenWindow_; // hidden into the tray, not yet back
    bool minimizedForLostTray_ = false;
    QTimer trayPoll_;
    std::string tooltip_;
    QIcon icon_;
    int identifier_ = 0;
    int callbackMessage_ = 0;
    bool created_ = false;
    bool hidden_ = true;
    bool removed_ = true;
    bool addPending_ = false;
    bool trayWasAvailable_ = false;
};

// At most 127 bytes of a tooltip. A cut never splits a UTF-8 character of a
// UTF-8 text, which would turn the whole tip into windows-1252 when shown.
std::string limitTooltip(const std::string& text);

} // namespace ombrix
