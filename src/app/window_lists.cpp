#include "app/window_lists.h"

#include "app/checker_dlg.h"
#include "app/notification_actions.h"
#include "res/main_dialog_template.h"

#include <QFrame>
#include <QVBoxLayout>

namespace ombrix {
namespace {

// The view fills the template's list place, so the window's layout, which
// moves and sizes that place, carries the view along.
template <class View> View* fillListPlace(const DialogControls& controls, int id) {
    auto* view = new View;
    QWidget* place = controls.byId(id);
    if (!place)
        return view; // a window without that place: the view lives on its own
    if (auto* frame = qobject_cast<QFrame*>(place))
        frame->setFrameStyle(QFrame::NoFrame);
    auto* layout = new QVBoxLayout(place);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(view);
    return view;
}

} // namespace

WindowLists::WindowLists(CCheckerDlg& dialog, DesktopNotifier* desktop)
    : dialog_(dialog), host_(
                           dialog.timers(), dialog.state(),
                           [&dialog](TrayIconKind icon, const std::string& tooltip) {
                               dialog.showTrayIcon(icon);
                               dialog.showTrayTooltip(tooltip);
                           },
                           [&dialog] { return dialog.popup(); }, desktop),
      accountList_(fillListPlace<AccountListView>(dialog.controls(), res::kAccountList)),
      mailList_(fillListPlace<MailListView>(dialog.controls(), res::kMailList)),
      lists_(std::make_unique<CheckerLists>(*accountList_, *mailList_, host_)),
      panel_(std::make_unique<SettingsPanel>(dialog.controls(), host_)) {
    dialog_.setListRefresher(lists_.get());
    if (desktop)
        actions_ = std::make_unique<NotificationActions>(dialog, *desktop);
}

void WindowLists::install() {
    if (actions_)
        actions_->install();
}

WindowLists::~WindowLists() {
    dialog_.setListRefresher(nullptr);
    if (!accountList_->parent())
        delete accountList_;
    if (!mailList_->parent())
        delete mailList_;
}

} // namespace ombrix
