#include "app/main_layout.h"

#include "res/main_dialog_template.h"

#include <cmath>

namespace ombrix {

using namespace res;

namespace {

// The layout's pixels were measured for a dialog font of 6 by 13 pixels;
// another font scales them with the dialog units.
struct LayoutScale {
    const DialogUnits& units;
    int x(int pixels) const { return int(std::lround(double(pixels) * units.cx / 6)); }
    int y(int pixels) const { return int(std::lround(double(pixels) * units.cy / 13)); }
};

// The notification panel: wide enough for the audio group's three columns
// and the message box group's German texts beside them.
constexpr int kPanelWidth = 729;

} // namespace

std::vector<ControlPlacement> mainWindowLayout(int w, int h, const DialogUnits& units,
                                               int noticeLines) {
    const LayoutScale s{units};
    const int c = w / 2;
    const int x0 = c - s.x(kPanelWidth / 2);
    const int y0 = h - s.y(132);
    const int bottomRow = h - s.y(156);
    const int noticeHeight = s.y(13) * noticeLines;
    const int noticeRow = noticeLines > 0 ? noticeHeight + s.y(5) : 0;
    const int mailListHeight = h - s.y(166) - 178 - noticeRow;
    std::vector<ControlPlacement> layout{
        {kBanner, c - 177, 2, 355, 42},
        {kMailsGroup, 10, 41, w - 20, h - s.y(134) - 41},
        {kAccountList, 20, 61, w - 40, 111},
        {kMailList, 20, 178, w - 40, mailListHeight},
        {kIntervalLabel, c - s.x(360), bottomRow},
        {kIntervalNumber, c - s.x(248), h - s.y(160)},
        {kMinutesLabel, c - s.x(207), bottomRow},
        {kIntervalSlider, c - s.x(160), h - s.y(161)},
        {kCheckNowButton, c - s.x(30), h - s.y(160)},
        {kIdleBox, c + s.x(110), h - s.y(158)},
        {kNotificationGroup, x0, y0 + s.y(2), s.x(kPanelWidth), s.y(125)},
        {kLedGroup, x0 + s.x(19), y0 + s.y(20), s.x(117), s.y(96)},
        {kScrollLockBox, x0 + s.x(39), y0 + s.y(46)},
        {kNumLockBox, x0 + s.x(39), y0 + s.y(67)},
        {kCapsLockBox, x0 + s.x(39), y0 + s.y(88)},
        {kAudioGroup, x0 + s.x(146), y0 + s.y(20)},
        {kWaveBox, x0 + s.x(177), y0 + s.y(39)},
        {kSpeakerBox, x0 + s.x(177), y0 + s.y(65)},
        {kRepeatBox, x0 + s.x(177), y0 + s.y(91)},
        {kWaveTestButton, x0 + s.x(258), y0 + s.y(37)},
        {kSpeakerTestButton, x0 + s.x(258), y0 + s.y(66)},
        {kWavePath, x0 + s.x(280), y0 + s.y(35)},
        {kPatternCombo, x0 + s.x(280), y0 + s.y(63)},
        {kRepeatNumber, x0 + s.x(324), y0 + s.y(89)},
        {kSecondsLabel, x0 + s.x(360), y0 + s.y(92)},
        {kRepeatSlider, x0 + s.x(416), y0 + s.y(89)},
        {kBrowseButton, x0 + s.x(416), y0 + s.y(35)},
        {kPopupGroup, x0 + s.x(531), y0 + s.y(20)},
        {kPopupBox, x0 + s.x(546), y0 + s.y(52)},
        {kPopupAutoCloseBox, x0 + s.x(546), y0 + s.y(72)},
        {kDesktopNotifyBox, x0 + s.x(546), y0 + s.y(92)},
    };
    if (noticeLines > 0)
        layout.push_back({kKeyringNotice, 20, 178 + mailListHeight + s.y(3), w - 40, noticeHeight});
    return layout;
}

QSize minimumWindowSize(const DialogUnits& units) {
    const LayoutScale s{units};
    return {s.x(kMinimumWindowSize.width()), s.y(kMinimumWindowSize.height())};
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
