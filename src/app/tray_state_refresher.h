#pragma once
// The tray's share of a list refresh, for a window whose list views are not
// attached: the icon and tooltip that the account table calls for, and the
// unread total. No pop-up, sound or LED.

#include "app/list_refresher.h"
#include "app/window_state.h"
#include "core/run_host.h"

#include <cstdint>
#include <functional>
#include <string>

namespace ombrix {

// What the tray shows for the accounts as they stand.
struct TrayState {
    TrayIconKind icon = TrayIconKind::Idle;
    std::string tooltip;
    std::uint32_t unreadTotal = 0;
    bool anyAccountFailed = false;
};

TrayState trayStateOfAccounts();

class TrayStateRefresher final : public ListRefresher {
public:
    using ShowTray = std::function<void(TrayIconKind, const std::string&)>;
    // `state` is the window's; each refresh sets its unread total.
    TrayStateRefresher(ShowTray showTray, WindowState& state)
        : showTray_(std::move(showTray)), state_(state) {}
    void refreshLists(RefreshMode mode) override;

private:
    ShowTray showTray_;
    WindowState& state_;
};

} // namespace ombrix
