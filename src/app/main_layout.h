#pragma once
// Where the main window's controls go for a client area of W by H pixels,
// and the smallest size the window may be dragged to.

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

// The resize layout for client width `w` and height `h`.
std::vector<ControlPlacement> mainWindowLayout(int w, int h);

// The smallest window the user can drag to, frame included.
inline constexpr QSize kMinimumWindowSize{710, 563};

// The window edge (or corner) that the user drags.
enum class DragEdge { Left, Right, Top, Bottom, TopLeft, TopRight, BottomLeft, BottomRight };

// The dragged rectangle kept at least `minimum` large: the dragged edge moves
// back out, the opposite edge stays where it is.
QRect keepMinimumSize(const QRect& dragged, DragEdge edge, QSize minimum = kMinimumWindowSize);

// Which edge a resize from `before` to `after` dragged, judged by the edges
// that moved; right/bottom when only the size is known to have changed.
DragEdge draggedEdge(const QRect& before, const QRect& after);

} // namespace ombrix
