#pragma once
// The window's way to rebuild its account and mail lists. The list views own
// the real refresh (texts, images, notifications); the window only asks for
// it after runs, commands and mark-read, in one of three modes.

namespace ombrix {

enum class RefreshMode { Full, AccountsOnly, ReadMarks };

class ListRefresher {
public:
    virtual ~ListRefresher() = default;
    // On the window thread only.
    virtual void refreshLists(RefreshMode mode) = 0;
};

} // namespace ombrix
