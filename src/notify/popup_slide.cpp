#include "notify/popup_slide.h"

#include <algorithm>
#include <limits>

namespace ombrix {

namespace {

int period(std::uint32_t time, int skinExtent) {
    const int steps = std::max(skinExtent / kSlideStep, 1);
    const std::uint32_t ms = time / static_cast<std::uint32_t>(steps);
    return static_cast<int>(std::min<std::uint32_t>(ms, std::numeric_limits<int>::max()));
}

} // namespace

SlidePlan planSlide(TaskbarEdge edge, const QRect& workArea, QSize skin, std::uint32_t timeToShow,
                    std::uint32_t timeToHide) {
    const int left = workArea.x();
    const int top = workArea.y();
    const int right = workArea.x() + workArea.width();
    const int bottom = workArea.y() + workArea.height();
    SlidePlan plan;
    const bool sideways = edge == TaskbarEdge::Left || edge == TaskbarEdge::Right;
    const int extent = sideways ? skin.width() : skin.height();
    plan.showPeriod = period(timeToShow, extent);
    plan.hidePeriod = period(timeToHide, extent);
    switch (edge) {
    case TaskbarEdge::Right:
        plan.placement = Placement::FromRight;
        plan.start = {right, bottom - skin.height()};
        break;
    case TaskbarEdge::Left:
        plan.placement = Placement::FromLeft;
        plan.start = {left - skin.width(), bottom - skin.height()};
        break;
    case TaskbarEdge::Top:
        plan.placement = Placement::FromTop;
        plan.start = {right - skin.width(), top - skin.height()};
        break;
    case TaskbarEdge::Bottom:
        plan.placement = Placement::FromBottom;
        plan.start = {right - skin.width(), bottom};
        break;
    }
    return plan;
}

bool stepIn(Placement placement, QPoint start, QSize skin, QPoint& current) {
    switch (placement) {
    case Placement::FromTop:
        if (current.y() - start.y() >= skin.height())
            return false;
        current.ry() += kSlideStep;
        return true;
    case Placement::FromLeft:
        if (current.x() - start.x() >= skin.width())
            return false;
        current.rx() += kSlideStep;
        return true;
    case Placement::FromRight:
        if (current.x() <= start.x() - skin.width())
            return false;
        current.rx() -= kSlideStep;
        return true;
    case Placement::FromBottom:
        if (current.y() <= start.y() - skin.height())
            return false;
        current.ry() -= kSlideStep;
        return true;
    case Placement::None:
        break;
    }
    return false;
}

bool stepOut(Placement placement, QPoint start, QPoint& current) {
    switch (placement) {
    case Placement::FromTop:
        if (current.y() <= start.y())
            return false;
        current.ry() -= kSlideStep;
        return true;
    case Placement::FromLeft:
        if (current.x() <= start.x())
            return false;
        current.rx() -= kSlideStep;
        return true;
    case Placement::FromRight:
        if (current.x() >= start.x())
            return false;
        current.rx() += kSlideStep;
        return true;
    case Placement::FromBottom:
        if (current.y() >= start.y())
            return false;
        current.ry() += kSlideStep;
        return true;
    case Placement::None:
        break;
    }
    return false;
}

QPoint fullyShownPosition(Placement placement, QPoint start, QSize skin) {
    switch (placement) {
    case Placement::FromTop:
        return {start.x(), start.y() + skin.height()};
    case Placement::FromLeft:
        return {start.x() + skin.width(), start.y()};
    case Placement::FromRight:
        return {start.x() - skin.width(), start.y()};
    case Placement::FromBottom:
        return {start.x(), start.y() - skin.height()};
    case Placement::None:
        break;
    }
    return start;
}

} // namespace ombrix
