#pragma once
// The geometry of the pop-up's slide: where it starts (just outside the work
// area at the panel's edge), how long each 2-pixel step waits, and the steps in
// and out. Kept apart from the window so each rule reads on its own.

#include "platform/screen.h"

#include <QPoint>
#include <QRect>
#include <QSize>
#include <cstdint>

namespace ombrix {

// The edge the pop-up comes from; the numbers are the stored codes.
enum class Placement { None = 0, FromTop = 1, FromLeft = 2, FromRight = 3, FromBottom = 4 };

inline constexpr int kSlideStep = 2;

struct SlidePlan {
    Placement placement = Placement::None;
    QPoint start;       // completely outside the work area
    int showPeriod = 0; // ms per step while sliding in
    int hidePeriod = 0; // ms per step while sliding out
};

// Plans a slide for a panel at `edge`. The periods spread the show and hide
// times over the steps a skin edge needs; a skin too small for one step gives
// periods of the whole time.
SlidePlan planSlide(TaskbarEdge edge, const QRect& workArea, QSize skin, std::uint32_t timeToShow,
                    std::uint32_t timeToHide);

// One step inwards from `current`; false (and no move) when already fully in.
// The last step overshoots by one pixel when the skin size is odd.
bool stepIn(Placement placement, QPoint start, QSize skin, QPoint& current);

// One step back towards `start`; false (and no move) when already there.
bool stepOut(Placement placement, QPoint start, QPoint& current);

// The position at which the skin just touches the work area's edge from inside.
QPoint fullyShownPosition(Placement placement, QPoint start, QSize skin);

} // namespace ombrix
