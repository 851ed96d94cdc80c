#include "app/main_layout.h"

#include "res/main_dialog_template.h"

namespace ombrix {

using namespace res;

std::vector<ControlPlacement> mainWindowLayout(int w, int h) {
    const int c = w / 2;
    const int x0 = c - 342;
    const int y0 = h - 132;
    return {
        {kBanner, c - 177, 2, 355, 42},          {kMailsGroup, 10, 41, w - 20, h - 175},
        {kAccountList, 20, 61, w - 40, 111},     {kMailList, 20, 178, w - 40, h - 344},
        {kIntervalLabel, c - 235, h - 156},      {kIntervalNumber, c - 142, h - 160},
        {kMinutesLabel, c - 101, h - 156},       {kIntervalSlider, c - 60, h - 161},
        {kCheckNowButton, c + 80, h - 160},      {kNotificationGroup, x0, y0 + 2, 685, 125},
        {kLedGroup, x0 + 19, y0 + 20, 117, 96},  {kScrollLockBox, x0 + 39, y0 + 46},
        {kNumLockBox, x0 + 39, y0 + 67},         {kCapsLockBox, x0 + 39, y0 + 88},
        {kAudioGroup, x0 + 146, y0 + 20},        {kWaveBox, x0 + 177, y0 + 39},
        {kSpeakerBox, x0 + 177, y0 + 65},        {kRepeatBox, x0 + 177, y0 + 91},
        {kWaveTestButton, x0 + 258, y0 + 37},    {kSpeakerTestButton, x0 + 258, y0 + 66},
        {kWavePath, x0 + 280, y0 + 35},          {kPatternCombo, x0 + 280, y0 + 63},
        {kRepeatNumber, x0 + 314, y0 + 89},      {kSecondsLabel, x0 + 354, y0 + 92},
        {kRepeatSlider, x0 + 410, y0 + 89},      {kBrowseButton, x0 + 410, y0 + 35},
        {kPopupGroup, x0 + 484, y0 + 20},        {kPopupBox, x0 + 499, y0 + 52},
        {kPopupAutoCloseBox, x0 + 499, y0 + 72}, {kDesktopNotifyBox, x0 + 499, y0 + 92},
    };
}

namespace {

bool movesLeft(DragEdge edge) {
    return edge == DragEdge::Left || edge == DragEdge::TopLeft || edge == DragEdge::BottomLeft ||
           edge == DragEdge::Top;
}

bool movesTop(DragEdge edge) {
    return edge == DragEdge::Top || edge == DragEdge::TopLeft || edge == DragEdge::TopRight ||
           edge == DragEdge::Left;
}

} // namespace

QRect keepMinimumSize(const QRect& dragged, DragEdge edge, QSize minimum) {
    // Left, top and top-left drags move the left and top edges; right, bottom
    // and bottom-right the right and bottom edges; the two other corners one
    // of each.
    QRect kept = dragged;
    if (kept.width() < minimum.width()) {
        if (movesLeft(edge))
            kept.setLeft(kept.right() + 1 - minimum.width());
        else
            kept.setWidth(minimum.width());
    }
    if (kept.height() < minimum.height()) {
        if (movesTop(edge))
            kept.setTop(kept.bottom() + 1 - minimum.height());
        else
            kept.setHeight(minimum.height());
    }
    return kept;
}

DragEdge draggedEdge(const QRect& before, const QRect& after) {
    const bool left = before.left() != after.left() && before.right() == after.right();
    const bool top = before.top() != after.top() && before.bottom() == after.bottom();
    if (left && top)
        return DragEdge::TopLeft;
    if (left)
        return before.bottom() != after.bottom() ? DragEdge::BottomLeft : DragEdge::Left;
    if (top)
        return before.right() != after.right() ? DragEdge::TopRight : DragEdge::Top;
    const bool right = before.right() != after.right();
    const bool bottom = before.bottom() != after.bottom();
    if (right && !bottom)
        return DragEdge::Right;
    if (bottom && !right)
        return DragEdge::Bottom;
    return DragEdge::BottomRight;
}

} // namespace ombrix
