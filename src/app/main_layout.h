#pragma once
// Where the main window's controls go for a client area of W by H pixels,
// and the smallest size the window may be dragged to.

#include "platform/dialog_builder.h"

#include <QRect>
#include <QSize>
#include <vector>

namespace ombrix {

// A control's new place. Width and height of -1 keep the control's own size.
struct ControlPlacement {
    int id;
    int left;
    int top;
    int width = -1;
    int height = -1;
};

// The resize layout for client width `w` and height `h`. Its pixels are
// those of a dialog font of 6 by 13 pixels (dialog units {6, 13}); other
// units scale the bottom panel and its distances from the centre and the
// bottom edge alike, so that the panel keeps its arrangement.
// With `noticeLines` above 0 the mail list gives that many text rows at its
// foot to the notices (the keyring's, what the desktop lacks), which are
// placed only then.
std::vector<ControlPlacement> mainWindowLayout(int w, int h, const DialogUnits& units,
                                               int noticeLines = 0);

// The smallest window the user can drag to, frame included, for units {6, 13}.
inline constexpr QSize kMinimumWindowSize{754, 563};
// The same for the dialog units the window was built with.
QSize minimumWindowSize(const DialogUnits& units);

// The window edge (or corner) that the user drags.
enum class DragEdge { Left, Right, Top, Bottom, TopLeft, TopRight, BottomLeft, BottomRight };

// The dragged rectangle kept at least `minimum` large: the dragged edge moves
// back out, the opposite edge stays where it is.
QRect keepMinimumSize(const QRect& dragged, DragEdge edge, QSize minimum);

// Which edge a resize from `before` to `after` dragged, judged by the edges
// that moved; right/bottom when only the size is known to have changed.
DragEdge draggedEdge(const QRect& before, const QRect& after);

} // namespace ombrix
