#pragma once
// The main window: the account and mail lists, the notification panel, the
// window timers and the hand-over from the worker runs. Most of the time it
// sits hidden behind the tray icon.

#include "app/list_refresher.h"
#include "app/main_layout.h"
#include "app/system_tray.h"
#include "app/window_run_host.h"
#include "app/window_state.h"
#include "notify/led_light.h"
#include "notify/taskbar_notifier.h"
#include "platform/dialog_builder.h"
#include "platform/window_timers.h"

#include <QDialog>
#include <QPointer>
#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <thread>

class QAction;
class QMenuBar;

namespace ombrix {

class BackgroundStateLoad;
class CWaitDlg;
class KeyringWorker;

// How the process came to OnInitDialog. The state files may be loading in
// the background already; the first check's 200 ms may count from the start
// of the process.
struct StartUp {
    BackgroundStateLoad* stateLoad = nullptr; // none: OnInitDialog loads them
    std::optional<std::chrono::steady_clock::time_point> processStart; // none: now
};

// The first check begins 200 ms after start-up, or at once when the
// start-up took longer than that.
int firstCheckDelayMs(std::optional<std::chrono::steady_clock::time_point> processStart,
                      std::chrono::steady_clock::time_point now);

enum class RunKind { None, Check, Deletion };

// The parts of the window that follow it (commands, lists, IDLE watchers,
// notification buttons) connect to its signals; each signal is emitted on the
// window thread and its slots run at once, in the order they were connected.
class CCheckerDlg : public QDialog, public AlarmControls, private RunHostWindow {
    Q_OBJECT

public:
    // Builds the window, its icons and the tray icon (on `trayShell`, the
    // desktop's tray when none is given); OnInitDialog follows.
    explicit CCheckerDlg(std::unique_ptr<TrayShell> trayShell = {});
    ~CCheckerDlg() override;

    // The start-up of the window, in its fixed order (files, lists, panel,
    // pop-up, timers; into the tray when accounts exist).
    void OnInitDialog(const StartUp& startUp = {});

    // The list views; without them only the tray follows the account table.
    void setListRefresher(ListRefresher* lists);
    void refreshLists(RefreshMode mode);

    // Commands of the menus, the tray and the buttons.
    void OnCommand(int command);
    // The end of the program without the question Quit asks (the session
    // ends or the process was told to terminate): a run is aborted and
    // awaited, the files are saved, the event loop ends.
    void endSession();
    bool sessionEnded() const { return quitting_; }

    // Showing and hiding.
    void showFromTray();   // command 32789
    void hideToTray();     // minimize and close
    void OnPopupClicked(); // the pop-up's text was clicked (WM_USER + 123)
    void OnPopupClose();   // its close mark was clicked (WM_USER + 124)
    // Size events: the minimum-size rule for a drag of `edge` to `dragged`
    // (frame geometry); returns the rectangle the window takes.
    QRect OnSizing(DragEdge edge, const QRect& dragged);

    // Timers and runs.
    void OnTimer(int id);
    void checkNow(); // the CheckTimer tick, also button 1011 and command 32791
    // A check that no command and no timer of the user's asked for at this
    // moment (a server's push, a wake-up, the network's return): the same
    // guards, but no wait dialog, also while the window is up; the lists
    // and the tray follow it as they follow every run.
    void checkQuietly();
    // Starts a deletion run (the delete-mail command's last step). Its end
    // arrives through RunDoneTimer; a check follows it at once.
    void startDeletionRun(std::function<void(RunHost&)> run);
    // Whether the end of the last run still waits for RunDoneTimer's hand-over.
    bool handOverPending() const;
    // The check run's body (replaced in tests by a scripted run); none: the
    // real check run, which sorts by the lists' order as it stands when the
    // run starts.
    void setCheckRun(std::function<void(RunHost&)> run) { checkRun_ = std::move(run); }

    // For the list views, the panel and the commands.
    const DialogControls& controls() const { return controls_; }
    QWidget* client() const { return client_; }
    QMenuBar* menuBar() const { return menuBar_; }
    QAction* menuAction(int command) const;
    CSystemTray& tray() { return tray_; }
    WindowTimers& timers() { return timers_; }
    CTaskbarNotifier* popup() const { return popup_; }
    RunHost& runHost() { return runHost_; }
    void showTrayIcon(TrayIconKind kind) override;
    void showTrayTooltip(const std::string& text) override;

    // AlarmControls.
    void clearCheckBox(AlarmSetting setting) override;
    void ledSettingSwitchedOff(LockKey key) override;

    // State, for tests and the other parts.
    bool runActive() const { return runKind_ != RunKind::None; }
    // A run owns the account table (its slots, lists and read flags) until it
    // has ended: the window's commands leave the table alone meanwhile.
    bool tableBusy() const;
    RunKind lastRunKind() const { return lastRunKind_; }
    TrayIconKind trayIconKind() const { return trayIconKind_; }
    WaitDialogControl* openWaitDialog() override;
    bool restoringFromMinimized() const { return restoringFromMinimized_; }

    // Lays the controls out for the client area's current size, once the
    // window is ready for it.
    void layoutControls();
    // From here on the window lays itself out and keeps its size (the last
    // step of OnInitDialog; a test that leaves the start-up out calls it).
    void markDialogReady() { dialogReady_ = true; }
    // The worker that moves passwords into the keyring while the desktop
    // program runs (none in tests that start none).
    void setKeyringWorker(KeyringWorker* worker) { keyringWorker_ = worker; }
    KeyringWorker* keyringWorker() const { return keyringWorker_; }
    // The unread counts of the last refresh, the mail lists' order.
    WindowState& state() { return windowState_; }

protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

public:
    void reject() override; // Escape hides, as the close box does
    void accept() override; // Enter does nothing: there is no default button

signals:
    // A command the window does not answer itself: the part that owns it runs
    // it (the window answers showing, checking and quitting).
    void commandChosen(int command);
    // The notification panel is to be filled from the settings.
    void panelFillDue();
    // MarkReadTimer ticked while no run was active: the mark-as-read dialog.
    void markReadDue();
    // The user brought the window up from the tray or the pop-up.
    void windowOpened();
    // A worker run starts; the window has taken over its end (lists saved and
    // refreshed, or its failure shown); the program ends.
    void runStarting(RunKind kind);
    void runOver(RunKind kind);
    void sessionEnding();
    // An account command begins its work on the table (editing the account
    // of that row, or -1), and ends it.
    void accountsHeld(int editedRow);
    void accountsReleased();
    // The check run logged in to the account of that row (during the run).
    void loginPassed(int row);

private:
    // RunHostWindow.
    void stopAlarmTimers() override;
    void armRunDone(int delayMs) override;
    void accountLoggedIn(int row) override;

    void buildMenuBar();
    void setEnglishTexts();
    void createPopupWindow();
    void applyStartWithDesktop();
    void openedForRun(CWaitDlg& dialog);
    void sizeOnShow();
    friend class TableHold;
    friend class AccountsHold;
    void startRun(RunKind kind, std::function<void(RunHost&)> run, bool guarded,
                  bool quiet = false);
    void markReadTick();
    void resumeAfterRun();
    void launchWorker(RunKind kind, std::function<void(RunHost&)> run, bool quiet = false);
    std::function<void(RunHost&)> checkRun() const;
    void sortInTheChosenOrder();
    void finishWorker();
    void endOfRun();
    void showFailedRunState();
    void onRunDone();
    void repeatAlarm();
    void quit();
    // Answers the open modal dialogs as cancelled; false when there was none.
    bool rejectOpenDialogs();
    void storeWindowSize();

    std::function<void(RunHost&)> checkRun_;
    CSystemTray tray_;
    WindowTimers timers_;
    WindowRunHost runHost_;
    std::unique_ptr<ListRefresher> trayOnlyLists_;
    ListRefresher* lists_ = nullptr;
    QMenuBar* menuBar_ = nullptr;
    QWidget* client_ = nullptr;
    DialogControls controls_;
    QPointer<CTaskbarNotifier> popup_;
    QPointer<CWaitDlg> waitDialog_;
    std::thread worker_;
    RunKind runKind_ = RunKind::None;
    RunKind lastRunKind_ = RunKind::None;
    std::uint8_t runSortOrder_ = 0; // the order the last check run was given
    bool quietRun_ = false;         // the worker's run shows no wait dialog
    bool restoringFromMinimized_ = false;
    bool quitting_ = false;
    bool failedRunPending_ = false; // a failed run's dialog waits for its button
    bool handingOver_ = false;      // onRunDone takes the run over
    int tableHolds_ = 0;
    bool checkHeldBack_ = false;    // a check fell due while the table was held
    bool markReadHeldBack_ = false; // MarkReadTimer ticked while a run was active
    TrayIconKind trayIconKind_ = TrayIconKind::Idle;
    bool dialogReady_ = false; // OnInitDialog has ended
    WindowState windowState_;
    std::int8_t ledPhase_ = 0; // where the LEDs' running light stands
    KeyringWorker* keyringWorker_ = nullptr;
    QRect lastFrame_;
    QSize frameShare_{0, 0}; // what the window system's frame adds to the client size
};

// While the window works on the account table through a dialog or a box (an
// account command, the preview, the mark-as-read question) no check starts:
// one that falls due meanwhile starts when the last hold ends. A deletion run
// that the command itself starts is its own business.
class TableHold {
public:
    explicit TableHold(CCheckerDlg& dialog);
    ~TableHold();
    TableHold(const TableHold&) = delete;
    TableHold& operator=(const TableHold&) = delete;

private:
    CCheckerDlg& dialog_;
};

// An account command that may change accounts (new, edit, delete, activate,
// deactivate): the parts that follow the accounts (the IDLE watchers) leave
// the edited account alone meanwhile and catch up with the table at its end.
class AccountsHold {
public:
    explicit AccountsHold(CCheckerDlg& dialog, int editedRow = -1);
    ~AccountsHold();
    AccountsHold(const AccountsHold&) = delete;
    AccountsHold& operator=(const AccountsHold&) = delete;

private:
    CCheckerDlg& dialog_;
};

} // namespace ombrix
