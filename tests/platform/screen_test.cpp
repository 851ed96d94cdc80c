// The panel's edge, its strip and the tray-area guess, derived from screen and
// work area alone; and the primary screen as the offscreen platform reports it.

#include "platform/screen.h"

#include <gtest/gtest.h>

namespace ombrix {
namespace {

struct EdgeRow {
    const char* name;
    QRect screen;
    QRect workArea;
    TaskbarEdge edge;
    QRect panel;
    QRect trayArea;
};

void PrintTo(const EdgeRow& row, std::ostream* os) {
    *os << row.name;
}

const QRect kScreen(0, 0, 1024, 768);

class PanelEdge : public testing::TestWithParam<EdgeRow> {};

TEST_P(PanelEdge, EdgePanelAndTrayArea) {
    const EdgeRow& row = GetParam();
    const ScreenLayout layout{row.screen, row.workArea};
    EXPECT_EQ(taskbarEdge(layout), row.edge);
    EXPECT_EQ(panelGeometry(layout), row.panel);
    EXPECT_EQ(locateTrayArea(layout), row.trayArea);
}

INSTANTIATE_TEST_SUITE_P(
    Layouts, PanelEdge,
    testing::Values(EdgeRow{"bottom", kScreen, QRect(0, 0, 1024, 740), TaskbarEdge::Bottom,
                            QRect(0, 740, 1024, 28), QRect(924, 740, 84, 28)},
                    EdgeRow{"top", kScreen, QRect(0, 28, 1024, 740), TaskbarEdge::Top,
                            QRect(0, 0, 1024, 28), QRect(924, 0, 84, 28)},
                    EdgeRow{"right", kScreen, QRect(0, 0, 990, 768), TaskbarEdge::Right,
                            QRect(990, 0, 34, 768), QRect(990, 668, 34, 84)},
                    EdgeRow{"left", kScreen, QRect(34, 0, 990, 768), TaskbarEdge::Left,
                            QRect(0, 0, 34, 768), QRect(0, 668, 34, 84)},
                    // Nothing to go by: bottom, and the work area's corner for the tray.
                    EdgeRow{"no_panel", kScreen, kScreen, TaskbarEdge::Bottom, QRect(),
                            QRect(874, 738, 150, 30)},
                    // Narrower decides before lower: a right panel with a top bar too.
                    EdgeRow{"right_and_top", kScreen, QRect(0, 28, 990, 740), TaskbarEdge::Right,
                            QRect(990, 0, 34, 768), QRect(990, 668, 34, 84)},
                    // A primary screen right of another: edges are the screen's, not x = 0.
                    EdgeRow{"offset_bottom", QRect(1920, 0, 1280, 1024), QRect(1920, 0, 1280, 1000),
                            TaskbarEdge::Bottom, QRect(1920, 1000, 1280, 24),
                            QRect(3100, 1000, 84, 24)},
                    EdgeRow{"offset_left", QRect(1920, 0, 1280, 1024), QRect(1950, 0, 1250, 1024),
                            TaskbarEdge::Left, QRect(1920, 0, 30, 1024), QRect(1920, 924, 30, 84)},
                    EdgeRow{"offset_top", QRect(0, 200, 800, 600), QRect(0, 230, 800, 570),
                            TaskbarEdge::Top, QRect(0, 200, 800, 30), QRect(700, 200, 84, 30)}),
    [](const testing::TestParamInfo<EdgeRow>& p) { return std::string(p.param.name); });

TEST(TrayArea, ReportedIconGeometryWins) {
    const ScreenLayout layout{kScreen, QRect(0, 0, 1024, 740)};
    EXPECT_EQ(locateTrayArea(layout, QRect(980, 742, 24, 24)), QRect(980, 742, 24, 24));
    // An empty report (no tray host) falls back to the panel guess.
    EXPECT_EQ(locateTrayArea(layout, QRect(0, 0, 0, 0)), QRect(924, 740, 84, 28));
}

TEST(PrimaryScreen, WorkAreaLiesWithinTheScreen) {
    const ScreenLayout layout = primaryScreenLayout();
    ASSERT_FALSE(layout.screen.isEmpty());
    EXPECT_TRUE(layout.screen.contains(layout.workArea));
    EXPECT_EQ(workArea(), layout.workArea);
    EXPECT_EQ(screenSize(), layout.screen.size());
}

} // namespace
} // namespace ombrix
