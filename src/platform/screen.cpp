#include "platform/screen.h"

#include <QGuiApplication>
#include <QScreen>

namespace ombrix {

namespace {

// Exclusive right and bottom ends: the arithmetic of panels and slides reads
// naturally with them ("starts at the work area's bottom" is outside it).
int rightEnd(const QRect& r) {
    return r.x() + r.width();
}
int bottomEnd(const QRect& r) {
    return r.y() + r.height();
}

QRect fromEnds(int left, int top, int right, int bottom) {
    return QRect(left, top, right - left, bottom - top);
}

} // namespace

ScreenLayout primaryScreenLayout() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (screen == nullptr)
        return {};
    return {screen->geometry(), screen->availableGeometry()};
}

QRect workArea() {
    return primaryScreenLayout().workArea;
}

QSize screenSize() {
    return primaryScreenLayout().screen.size();
}

TaskbarEdge taskbarEdge(const ScreenLayout& layout) {
    const QRect& s = layout.screen;
    const QRect& w = layout.workArea;
    if (w.width() < s.width())
        return w.x() == s.x() ? TaskbarEdge::Right : TaskbarEdge::Left;
    if (w.height() < s.height() && w.y() != s.y())
        return TaskbarEdge::Top;
    return TaskbarEdge::Bottom;
}

QRect panelGeometry(const ScreenLayout& layout) {
    const QRect& s = layout.screen;
    const QRect& w = layout.workArea;
    if (w.isEmpty() || w == s)
        return {};
    switch (taskbarEdge(layout)) {
    case TaskbarEdge::Right:
        return fromEnds(rightEnd(w), s.y(), rightEnd(s), bottomEnd(s));
    case TaskbarEdge::Left:
        return fromEnds(s.x(), s.y(), w.x(), bottomEnd(s));
    case TaskbarEdge::Top:
        return fromEnds(s.x(), s.y(), rightEnd(s), w.y());
    case TaskbarEdge::Bottom:
        break;
    }
    if (bottomEnd(w) >= bottomEnd(s))
        return {};
    return fromEnds(s.x(), bottomEnd(w), rightEnd(s), bottomEnd(s));
}

QRect locateTrayArea(const ScreenLayout& layout, const QRect& trayIconGeometry) {
    if (trayIconGeometry.isValid() && !trayIconGeometry.isEmpty())
        return trayIconGeometry;
    const QRect panel = panelGeometry(layout);
    if (!panel.isEmpty()) {
        const TaskbarEdge edge = taskbarEdge(layout);
        if (edge == TaskbarEdge::Left || edge == TaskbarEdge::Right)
            return fromEnds(panel.x(), bottomEnd(panel) - 100, rightEnd(panel),
                            bottomEnd(panel) - 16);
        return fromEnds(rightEnd(panel) - 100, panel.y(), rightEnd(panel) - 16, bottomEnd(panel));
    }
    const QRect& w = layout.workArea;
    return fromEnds(rightEnd(w) - 150, bottomEnd(w) - 30, rightEnd(w), bottomEnd(w));
}

} // namespace ombrix
