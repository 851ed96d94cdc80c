// The main window's timers, and how it starts worker runs and takes over
// when they end.

#include "app/checker_dlg.h"
#include "app/tray_log.h"
#include "app/window_notification_host.h"
#include "check/check_run.h"
#include "check/mail_sort.h"
#include "config/settings.h"
#include "config/state_store.h"
#include "core/account_table.h"
#include "core/commit_bracket.h"
#include "core/run_flags.h"
#include "dialogs/wait_dlg.h"
#include "notify/alarm_sounds.h"
#include "platform/malloc_tuning.h"
#include "res/icons.h"
#include "res/main_dialog_template.h"

#include <QCheckBox>

namespace ombrix {

void CCheckerDlg::OnTimer(int id) {
    switch (id) {
    case CheckTimer:
        checkNow();
        break;
    case FirstCheckTimer:
        timers_.kill(FirstCheckTimer);
        startRun(RunKind::Check, checkRun(), false);
        break;
    case RunDoneTimer:
        onRunDone();
        break;
    case RepeatTimer:
        repeatAlarm();
        break;
    case LedTimer:
        LedTick(*this, ledPhase_);
        break;
    case MarkReadTimer:
        markReadTick();
        break;
    default:
        break;
    }
}

// The marks would land on lists that the run is about to replace: the
// question comes again once the window's worker has ended.
void CCheckerDlg::markReadTick() {
    timers_.kill(MarkReadTimer);
    if (runActive()) {
        markReadHeldBack_ = true;
        return;
    }
    emit markReadDue();
}

bool CCheckerDlg::tableBusy() const {
    return runActive() || checkRunning == 1 || deleteRunning == 1;
}

TableHold::TableHold(CCheckerDlg& dialog) : dialog_(dialog) {
    ++dialog_.tableHolds_;
}

TableHold::~TableHold() {
    if (--dialog_.tableHolds_ > 0 || !dialog_.checkHeldBack_)
        return;
    dialog_.checkHeldBack_ = false;
    // Queued: the command that held the table is still on the stack.
    QMetaObject::invokeMethod(
        &dialog_, [dialog = &dialog_] { dialog->checkNow(); }, Qt::QueuedConnection);
}

AccountsHold::AccountsHold(CCheckerDlg& dialog, int editedRow) : dialog_(dialog) {
    emit dialog_.accountsHeld(editedRow);
}

AccountsHold::~AccountsHold() {
    emit dialog_.accountsReleased();
}

void CCheckerDlg::checkNow() {
    startRun(RunKind::Check, checkRun(), true);
}

void CCheckerDlg::checkQuietly() {
    startRun(RunKind::Check, checkRun(), true, true);
}

std::function<void(RunHost&)> CCheckerDlg::checkRun() const {
    if (checkRun_)
        return checkRun_;
    return [order = windowState_.sortOrder](RunHost& host) { CheckThread(host, {}, order); };
}

void CCheckerDlg::startDeletionRun(std::function<void(RunHost&)> run) {
    startRun(RunKind::Deletion, std::move(run), false);
}

void CCheckerDlg::startRun(RunKind kind, std::function<void(RunHost&)> run, bool guarded,
                           bool quiet) {
    if (guarded && (checkRunning == 1 || deleteRunning == 1 || accountCount == 0))
        return;
    if (runActive() || !run || quitting_)
        return; // one worker at a time, whatever the flags say; none after quit
    if (kind == RunKind::Check && tableHolds_ > 0) {
        checkHeldBack_ = true;
        return;
    }
    if (quiet) {
        // No dialog comes, also when the window is opened during the run:
        // the run must not wait for one.
        waitDialogReady = 1;
        launchWorker(kind, std::move(run), true);
        return;
    }
    if (windowHidden == 1) {
        launchWorker(kind, std::move(run));
        return;
    }
    CWaitDlg dialog(this);
    openedForRun(dialog);
    launchWorker(kind, std::move(run));
    dialog.exec(); // the run (or the end of its worker) closes it, or after a failure the button
    waitDialog_ = nullptr;
    if (failedRunPending_)
        showFailedRunState();
}

void CCheckerDlg::launchWorker(RunKind kind, std::function<void(RunHost&)> run, bool quiet) {
    if (worker_.joinable())
        worker_.join(); // its run is over: runActive() was false
    runKind_ = kind;
    quietRun_ = quiet;
    lastRunKind_ = kind;
    runSortOrder_ = windowState_.sortOrder;
    emit runStarting(kind);
    // Runs on the worker thread.
    worker_ = std::thread([this, run = std::move(run)] {
        run(runHost_);
        QMetaObject::invokeMethod(
            this, [this] { finishWorker(); }, Qt::QueuedConnection);
    });
}

// A run that ended without closing its wait dialog (it refused to start, or
// the window came back from the tray just as it ended) must not leave the
// dialog up with nobody to close it.
void CCheckerDlg::finishWorker() {
    if (runKind_ == RunKind::None)
        return;
    if (worker_.joinable())
        worker_.join();
    runKind_ = RunKind::None;
    if (closeOnButton == 1) { // a failed run: its reason stays up until the button
        if (waitDialog_)
            failedRunPending_ = true;
        else
            showFailedRunState();
        return;
    }
    if (waitDialog_)
        waitDialog_->closeRequest();
    resumeAfterRun();
    // A run that armed no hand-over (it refused to start) is over here.
    if (!handingOver_ && !timers_.isActive(RunDoneTimer))
        endOfRun();
}

bool CCheckerDlg::handOverPending() const {
    return timers_.isActive(RunDoneTimer);
}

void CCheckerDlg::endOfRun() {
    emit runOver(lastRunKind_);
}

// What the window held back while the run owned the table.
void CCheckerDlg::resumeAfterRun() {
    if (markReadHeldBack_) {
        markReadHeldBack_ = false;
        timers_.set(MarkReadTimer, kMarkReadDelay);
    }
}

// A failed run arms no RunDoneTimer; the account's error, the tray icon and
// the alarms it stopped come back in line here, once its dialog has gone.
void CCheckerDlg::showFailedRunState() {
    failedRunPending_ = false;
    closeOnButton = 0; // handled: the next run's button asks it to stop again
    refreshLists(RefreshMode::Full);
    endOfRun();
}

void CCheckerDlg::onRunDone() {
    timers_.kill(RunDoneTimer);
    const RunKind ended = lastRunKind_;
    handingOver_ = true;
    finishWorker(); // the run armed this timer as its last step
    handingOver_ = false;
    sortInTheChosenOrder();
    saveState(SaveKind::MailListFile);
    refreshLists(RefreshMode::Full);
    endOfRun();
    // The run's copies, the save's buffers and the start-up's leftovers lie
    // between the lists' strings; their pages go back (a few milliseconds).
    returnFreeHeapPages();
    if (ended == RunKind::Deletion)
        checkNow(); // show the server's state after the deletion
}

// A header clicked during the run chose an order the run was not given.
void CCheckerDlg::sortInTheChosenOrder() {
    if (lastRunKind_ != RunKind::Check || runSortOrder_ == windowState_.sortOrder)
        return;
    const TableAccess access;
    for (std::uint32_t k = 0; k < accountCount && k < kMaxAccounts; ++k)
        SortMailList(accounts[k], windowState_.sortOrder);
}

WaitDialogControl* CCheckerDlg::openWaitDialog() {
    return waitDialog_.data();
}

// The run waits for the dialog before it uses it (waitForWaitDialog).
void CCheckerDlg::openedForRun(CWaitDlg& dialog) {
    waitDialog_ = &dialog;
    waitDialogReady = 0;
    connect(&dialog, &CWaitDlg::opened, this, [this] { runHost_.waitDialogChanged(); });
}

void CCheckerDlg::stopAlarmTimers() {
    timers_.kill(LedTimer);
    timers_.kill(RepeatTimer);
}

void CCheckerDlg::armRunDone(int delayMs) {
    timers_.set(RunDoneTimer, delayMs);
}

void CCheckerDlg::accountLoggedIn(int row) {
    emit loginPassed(row);
}

void CCheckerDlg::showTrayIcon(TrayIconKind kind) {
    switch (kind) {
    case TrayIconKind::Idle:
        tray_.ChangeIcon(res::icon(res::kIconIdle));
        break;
    case TrayIconKind::Checking:
        tray_.ChangeIcon(res::icon(res::kIconChecking));
        break;
    case TrayIconKind::NewMail:
        tray_.ChangeIcon(res::icon(res::kIconNewMail));
        break;
    case TrayIconKind::Failure:
        tray_.ChangeIcon(res::icon(res::kIconFailure));
        break;
    }
    trayIconKind_ = kind;
    logTrayIcon(kind);
}

void CCheckerDlg::showTrayTooltip(const std::string& text) {
    tray_.ChangeTooltip(text);
    logTrayTooltip(tray_.tooltip());
}

void CCheckerDlg::repeatAlarm() {
    if (settings.waveAlarm == 1 && wavePlaying == 0)
        startWaveSound();
    if (settings.speakerAlarm == 1 && beepPlaying == 0)
        startBeepSound();
}

void CCheckerDlg::clearCheckBox(AlarmSetting setting) {
    int id = 0;
    switch (setting) {
    case AlarmSetting::WaveAlarm:
        id = res::kWaveBox;
        break;
    case AlarmSetting::SpeakerAlarm:
        id = res::kSpeakerBox;
        break;
    case AlarmSetting::NumLockLed:
        id = res::kNumLockBox;
        break;
    case AlarmSetting::ScrollLockLed:
        id = res::kScrollLockBox;
        break;
    case AlarmSetting::CapsLockLed:
        id = res::kCapsLockBox;
        break;
    }
    if (auto* box = controls_.get<QCheckBox>(id)) {
        const QSignalBlocker quiet(box); // the panel must not switch it back on
        box->setChecked(false);
    }
}

void CCheckerDlg::ledSettingSwitchedOff(LockKey /*key*/) {
    if (windowState_.alarmingUnread > 0)
        timers_.set(LedTimer, 300);
}

} // namespace ombrix
