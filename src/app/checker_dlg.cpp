#include "app/checker_dlg.h"

#include "app/desktop_texts.h"
#include "app/tray_state_refresher.h"
#include "check/check_run.h"
#include "config/background_state_load.h"
#include "config/program_directory.h"
#include "config/settings.h"
#include "config/state_store.h"
#include "core/account_table.h"
#include "core/process_state.h"
#include "core/run_flags.h"
#include "dialogs/wait_dlg.h"
#include "notify/alarm_sounds.h"
#include "notify/taskbar_notifier.h"
#include "platform/autostart.h"
#include "platform/message_box.h"
#include "platform/program_file.h"
#include "platform/screen.h"
#include "platform/text_fit.h"
#include "res/icons.h"
#include "res/main_dialog_template.h"
#include "res/menus.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QLabel>
#include <QMenuBar>
#include <QPushButton>
#include <QVBoxLayout>
#include <QWindow>
#include <algorithm>
#include <climits>
#include <filesystem>
#include <system_error>

namespace ombrix {

using namespace res;

CCheckerDlg::CCheckerDlg(std::unique_ptr<TrayShell> trayShell)
    : QDialog(nullptr, Qt::Window | Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint),
      tray_(std::move(trayShell)), timers_([this](int id) { OnTimer(id); }),
      runHost_(*this, *this) {
    setWindowIcon(icon(kIconWindow));
    auto* frame = new QVBoxLayout(this);
    frame->setContentsMargins(0, 0, 0, 0);
    frame->setSpacing(0);
    menuBar_ = new QMenuBar(this);
    frame->setMenuBar(menuBar_);
    client_ = new QWidget(this);
    frame->addWidget(client_);
    controls_ = buildDialog(*client_, mainDialogTemplate, Language);
    setWindowTitle(QString::fromUtf8(mainDialogTemplate.germanTitle));
    resize(client_->size() + QSize(0, menuBar_->sizeHint().height()));
    client_->installEventFilter(this);
    buildMenuBar();

    auto* banner = new QPushButton;
    banner->setFlat(true);
    banner->setIcon(icon(kBitmapBanner));
    banner->setIconSize(QSize(355, 42));
    banner->setCursor(Qt::PointingHandCursor);
    controls_.replace(kBanner, banner);
    connect(banner, &QPushButton::clicked, this, [this] { OnCommand(kBanner); });
    for (int id : {kWaveTestButton, kSpeakerTestButton})
        if (auto* button = controls_.get<QPushButton>(id))
            button->setIcon(icon(kIconSpeaker));
    if (auto* checkNowButton = controls_.get<QPushButton>(kCheckNowButton))
        connect(checkNowButton, &QPushButton::clicked, this, [this] { OnCommand(kCmdCheckNow); });

    trayOnlyLists_ = std::make_unique<TrayStateRefresher>(
        [this](TrayIconKind kind, const std::string& tooltip) {
            showTrayIcon(kind);
            showTrayTooltip(tooltip);
        },
        windowState_);
    lists_ = trayOnlyLists_.get();

    tray_.CreateTrayIcon(nullptr, kTrayCallbackMessage, desktop_texts::startTooltip(),
                         icon(kIconIdle), Language == 0 ? kTrayMenuGerman : kTrayMenuEnglish);
    tray_.setCommandTarget([this](int command) { OnCommand(command); });
}

CCheckerDlg::~CCheckerDlg() {
    if (worker_.joinable()) {
        abortRequest = 1;
        worker_.join();
    }
    saveState(SaveKind::ReadFlagFile);
    delete popup_;
}

void CCheckerDlg::buildMenuBar() {
    const bool german = Language == 0;
    for (const PopupMenu& popup : res::menuBar()) {
        QMenu* menu = menuBar_->addMenu(QString::fromUtf8(german ? popup.german : popup.english));
        for (const MenuItem& item : popup.items) {
            if (!item.german) {
                menu->addSeparator();
                continue;
            }
            QAction* action =
                menu->addAction(QString::fromUtf8(german ? item.german : item.english));
            action->setData(item.command);
            action->setCheckable(item.command == kCmdStartWithDesktop);
            const int command = item.command;
            connect(action, &QAction::triggered, this, [this, command] { OnCommand(command); });
        }
    }
}

QAction* CCheckerDlg::menuAction(int command) const {
    for (QAction* top : menuBar_->actions())
        if (top->menu())
            for (QAction* action : top->menu()->actions())
                if (action->data().toInt() == command)
                    return action;
    return nullptr;
}

void CCheckerDlg::setListRefresher(ListRefresher* lists) {
    lists_ = lists ? lists : trayOnlyLists_.get();
}

void CCheckerDlg::refreshLists(RefreshMode mode) {
    lists_->refreshLists(mode);
}

int firstCheckDelayMs(std::optional<std::chrono::steady_clock::time_point> processStart,
                      std::chrono::steady_clock::time_point now) {
    constexpr std::chrono::milliseconds kFirstCheck(200);
    if (!processStart)
        return int(kFirstCheck.count());
    const auto passed = std::chrono::duration_cast<std::chrono::milliseconds>(now - *processStart);
    return int(std::clamp(kFirstCheck - passed, std::chrono::milliseconds(0), kFirstCheck).count());
}

void CCheckerDlg::OnInitDialog(const StartUp& startUp) {
    if (startUp.stateLoad) {
        startUp.stateLoad->finish(); // its boxes come where loadState's would
    } else {
        resetAccountsAndFlags();
        loadState();
    }
    std::error_code ignored;
    std::filesystem::current_path(programDirectory, ignored);

    if (auto* combo = controls_.get<QComboBox>(kPatternCombo)) {
        // Filling the box selects its first entry; that must not overwrite
        // the pattern just loaded (the panel selects the stored one later).
        const QSignalBlocker quiet(combo);
        combo->clear();
        for (int i = 0; i < desktop_texts::kSoundPatternCount; ++i)
            combo->addItem(QString::fromUtf8(desktop_texts::soundPattern(i)));
    }
    ntFamily = 1;

    if (accountCount > 0) {
        windowHidden = 1;
        tray_.HideToTray(this);
    } else {
        windowHidden = 0;
        sizeOnShow();
        tray_.RestoreFromTray(this);
    }
    emit panelFillDue();
    // A stored interval is any 32-bit number; its period must not overflow.
    const std::int64_t period = std::int64_t(settings.checkInterval) * 60000;
    timers_.set(CheckTimer, int(std::clamp<std::int64_t>(period, 60000, INT_MAX)));
    if (accountCount > 0)
        timers_.set(FirstCheckTimer,
                    firstCheckDelayMs(startUp.processStart, std::chrono::steady_clock::now()));
    markDialogReady();
    layoutControls();

    if (accountCount == 0 &&
        messageBox(desktop_texts::noAccountQuestion(), BoxKind::YesNoQuestion) == BoxAnswer::Yes)
        OnCommand(kCmdNewAccount);
    createPopupWindow();
    applyStartWithDesktop();
}

void CCheckerDlg::createPopupWindow() {
    popup_ = new CTaskbarNotifier;
    popup_->CreatePopup(this);
    popup_->LoadSkin(QString::fromLatin1(kPopupSkinResource));
    popup_->SetFonts(QStringLiteral("Arial"), 80, 0, PopupUnderline);
    popup_->SetColors(QColor(0, 0, 230), QColor(0, 0, 255));
    const QSize skin = popup_->skinSize();
    popup_->SetTextArea(10, 40, skin.width() - 10, skin.height() - 25);
    connect(popup_, &CTaskbarNotifier::openWindowRequested, this, [this] { OnPopupClicked(); });
    connect(popup_, &CTaskbarNotifier::closeRequested, this, [this] { OnPopupClose(); });
}

// The entry is rewritten for the current program directory. An entry that
// names another directory belongs to another instance and is left alone.
void CCheckerDlg::applyStartWithDesktop() {
    if (QAction* action = menuAction(kCmdStartWithDesktop))
        action->setChecked(settings.startWithWindows == 1);
    if (settings.startWithWindows == 1) {
        writeAutostartEntry(programFile(), programDirectory);
        return;
    }
    const auto named = readAutostartDirectory();
    if (named && *named == programDirectory)
        deleteAutostartEntry();
}

namespace {

// The notices (keyring, what the desktop lacks) wrap at the list's width; a
// third line is the most the mail list gives up for them.
int noticeLinesNeeded(const QLabel& notice, int width) {
    if (notice.text().isEmpty())
        return 0;
    const int lineHeight = std::max(1, notice.fontMetrics().lineSpacing());
    const int needed = notice.wordWrap() ? notice.heightForWidth(width) : lineHeight;
    return std::clamp((needed + lineHeight - 1) / lineHeight, 1, 3);
}

} // namespace

void CCheckerDlg::layoutControls() {
    if (!dialogReady_)
        return;
    const DialogUnits& units = controls_.units();
    auto* notice = controls_.get<QLabel>(kKeyringNotice);
    const int noticeLines = notice ? noticeLinesNeeded(*notice, client_->width() - 40) : 0;
    if (notice && noticeLines == 0)
        notice->hide(); // the layout places it only while it has a text
    const auto layout = mainWindowLayout(client_->width(), client_->height(), units, noticeLines);
    for (const ControlPlacement& place : layout) {
        QWidget* control = controls_.byId(place.id);
        if (!control)
            continue;
        if (place.width < 0)
            control->move(place.left, place.top);
        else
            control->setGeometry(place.left, place.top, place.width, place.height);
        control->show();
    }
    // The layout's places round differently from the template's: a text may
    // need the last pixels of the free space beside it again.
    for (const ControlPlacement& place : layout)
        if (QWidget* control = controls_.byId(place.id))
            fitText(*control, units.gap());
    client_->update();
}

bool CCheckerDlg::eventFilter(QObject* watched, QEvent* event) {
    if (watched == client_ && event->type() == QEvent::Resize)
        layoutControls();
    return QDialog::eventFilter(watched, event);
}

QRect CCheckerDlg::OnSizing(DragEdge edge, const QRect& dragged) {
    const QRect kept = keepMinimumSize(dragged, edge, minimumWindowSize(controls_.units()));
    settings.windowWidth = kept.width();
    settings.windowHeight = kept.height();
    return kept;
}

// The window system does the dragging; the edge is read from the frame's move.
void CCheckerDlg::storeWindowSize() {
    if (!dialogReady_ || !isVisible() || isMinimized() || isMaximized())
        return;
    const QRect frame = frameGeometry();
    if (lastFrame_.isValid() && frame != lastFrame_) {
        const QRect kept = OnSizing(draggedEdge(lastFrame_, frame), frame);
        if (kept != frame) {
            const QMargins margins(geometry().left() - frame.left(), geometry().top() - frame.top(),
                                   frame.right() - geometry().right(),
                                   frame.bottom() - geometry().bottom());
            setGeometry(kept.marginsRemoved(margins));
        }
    }
    lastFrame_ = frameGeometry();
}

void CCheckerDlg::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    storeWindowSize();
}

void CCheckerDlg::moveEvent(QMoveEvent* event) {
    QDialog::moveEvent(event);
    if (isVisible() && !isMinimized() && !isMaximized()) {
        lastFrame_ = frameGeometry();
        frameShare_ = frameGeometry().size() - geometry().size();
    }
}

// Sizes are the frame's. The window is sized before it is shown, so that it
// maps at its place instead of being moved after the window system placed it.
void CCheckerDlg::sizeOnShow() {
    const QSize screen = screenSize();
    const QSize minimum = minimumWindowSize(controls_.units());
    if (screen.width() < settings.windowWidth)
        settings.windowWidth = minimum.width();
    if (screen.height() < settings.windowHeight)
        settings.windowHeight = minimum.height();
    create(); // the platform window knows its frame margins once it exists
    if (const QWindow* handle = windowHandle()) {
        const QMargins frame = handle->frameMargins();
        frameShare_ = QSize(frame.left() + frame.right(), frame.top() + frame.bottom());
    }
    setMinimumSize(minimum - frameShare_);
    if (settings.windowMaximized == 1) {
        setWindowState((windowState() & ~Qt::WindowMinimized) | Qt::WindowMaximized);
        return;
    }
    setWindowState(windowState() & ~(Qt::WindowMinimized | Qt::WindowMaximized));
    // A size stored for a smaller dialog font would cut the panel.
    const QSize size = QSize(settings.windowWidth, settings.windowHeight).expandedTo(minimum);
    resize(size - frameShare_);
    move(screen.width() / 2 - size.width() / 2, screen.height() / 2 - size.height() / 2);
    lastFrame_ = QRect(pos(), size);
}

void CCheckerDlg::showFromTray() {
    // The window's own record of its worker, not checkRunning: a check that
    // has not yet set its flag waits for the wait dialog all the same.
    if (windowHidden == 1 && runKind_ == RunKind::Check && !quietRun_) {
        CWaitDlg dialog(this);
        openedForRun(dialog);
        windowHidden = 0;
        sizeOnShow();
        tray_.RestoreFromTray(this);
        dialog.exec();
        return;
    }
    windowHidden = 0;
    sizeOnShow();
    tray_.RestoreFromTray(this);
    emit windowOpened();
}

void CCheckerDlg::hideToTray() {
    windowHidden = 1;
    runHost_.waitDialogChanged(); // no dialog is waited for behind the tray
    tray_.HideToTray(this);
}

void CCheckerDlg::OnPopupClicked() {
    if (popup_)
        popup_->HidePopup();
    showFromTray();
}

void CCheckerDlg::OnPopupClose() {
    if (popup_)
        popup_->HidePopup();
}

void CCheckerDlg::closeEvent(QCloseEvent* event) {
    if (quitting_) {
        event->accept();
        return;
    }
    event->ignore();
    hideToTray();
}

void CCheckerDlg::reject() {
    if (!quitting_)
        hideToTray();
}

void CCheckerDlg::accept() {}

void CCheckerDlg::changeEvent(QEvent* event) {
    QDialog::changeEvent(event);
    if (event->type() != QEvent::WindowStateChange)
        return;
    // Only a real minimize is followed by a state change on the way back; the
    // close box hides without one, so it must leave no flag that would swallow
    // the user's next restore.
    if (isMinimized()) {
        restoringFromMinimized_ = true;
        if (windowHidden == 0)
            hideToTray();
        return;
    }
    if (isMaximized()) {
        settings.windowMaximized = 1;
        restoringFromMinimized_ = false; // back from the minimize, maximized
    } else if (restoringFromMinimized_)
        restoringFromMinimized_ = false;
    else
        settings.windowMaximized = 0;
    if (windowHidden == 1 && isVisible()) {
        // Back from an ordinary minimize (no tray): shown as from the tray,
        // once this event is over.
        QMetaObject::invokeMethod(
            this, [this] { showFromTray(); }, Qt::QueuedConnection);
    }
    layoutControls();
}

} // namespace ombrix
