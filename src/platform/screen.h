#pragma once
// The screen as the notification windows see it: the primary screen, its work
// area (the screen less the panels docked at its edges), the edge the panel sits
// on, and where the tray icons are.

#include <QRect>
#include <QSize>

namespace ombrix {

enum class TaskbarEdge { Left, Top, Right, Bottom };

struct ScreenLayout {
    QRect screen;   // the whole primary screen, in global coordinates
    QRect workArea; // the part of it that panels leave free
};

// Empty rectangles when no screen is connected.
ScreenLayout primaryScreenLayout();
QRect workArea();
QSize screenSize();

// The panel's edge as the difference between screen and work area shows it:
// right when the work area is narrower and starts at the screen's left, left
// when it is narrower and starts elsewhere, top when it is lower and does not
// start at the screen's top, bottom otherwise (also when no panel takes room).
TaskbarEdge taskbarEdge(const ScreenLayout& layout);

// The strip that a panel at the layout's taskbar edge covers, or an empty rectangle
// when the work area fills the screen (no panel, or one that hides itself).
QRect panelGeometry(const ScreenLayout& layout);

// Where the tray icons are, as the target of the hide-to-tray zoom: the tray
// icon's own geometry when the tray host reports one; else a 84-pixel stretch
// near the panel's far end; else the 150 x 30 bottom-right corner of the work area.
QRect locateTrayArea(const ScreenLayout& layout, const QRect& trayIconGeometry = {});

} // namespace ombrix
