#include "dialogs/mail_list_ctrl.h"

#include <QApplication>
#include <QImage>
#include <QMouseEvent>
#include <QPixmap>
#include <gtest/gtest.h>

namespace ombrix {
namespace {

const QColor face(200, 200, 200);
const QColor light(255, 255, 255);
const QColor dark(120, 120, 120); // lighter than the text's ink

class SortMark : public testing::Test {
protected:
    void SetUp() override {
        QPalette palette = list.palette();
        palette.setColor(QPalette::Button, face);
        palette.setColor(QPalette::Light, light);
        palette.setColor(QPalette::Dark, dark);
        palette.setColor(QPalette::ButtonText, Qt::black);
        list.header()->setPalette(palette);
        list.setHeaderLabels({"gelesen", "Absender", "Betreff", "Datum", "Grösse"});
        for (int column = 0; column < 5; ++column)
            list.header()->resizeSection(column, 120);
        list.resize(700, 200);
        list.show();
    }

    CColumnHeader& header() { return *list.columnHeader(); }

    QImage headerImage() { return header().viewport()->grab().toImage(); }

    QRect section(int column) {
        return QRect(header().sectionViewportPosition(column), 0, header().sectionSize(column),
                     header().viewport()->height());
    }

    // True when a pixel of `colour` lies on the line's middle, allowing the
    // rasteriser one pixel either way.
    static bool lineDrawn(const QImage& image, const QLine& line, const QColor& colour) {
        const QPoint middle = (line.p1() + line.p2()) / 2;
        for (int dx = -1; dx <= 1; ++dx)
            for (int dy = -1; dy <= 1; ++dy)
                if (image.pixelColor(middle + QPoint(dx, dy)) == colour)
                    return true;
        return false;
    }

    static int count(const QImage& image, const QRect& area, const QColor& colour) {
        int found = 0;
        for (int y = area.top(); y <= area.bottom(); ++y)
            for (int x = area.left(); x <= area.right(); ++x)
                found += image.pixelColor(x, y) == colour;
        return found;
    }

    // The bounding box of the text's dark pixels inside an area.
    static QRect inkBox(const QImage& image, const QRect& area) {
        QRect box;
        for (int y = area.top(); y <= area.bottom(); ++y)
            for (int x = area.left(); x <= area.right(); ++x)
                if (image.pixelColor(x, y).lightness() < 100)
                    box |= QRect(x, y, 1, 1);
        return box;
    }

    CMailListCtrl list;
};

TEST_F(SortMark, ReturnsThePreviousColumn) {
    EXPECT_EQ(header().SetSortMark(3, true), -1);
    EXPECT_EQ(header().SetSortMark(1, false), 3);
    EXPECT_EQ(header().sortColumn(), 1);
    EXPECT_FALSE(header().sortUp());
    EXPECT_TRUE(header().isOwnerDrawn(3)) << "a column once marked stays owner-drawn";
}

TEST_F(SortMark, UpTriangleHasALightRightSideAndBaseAndADarkLeftSide) {
    header().SetSortMark(3, true);
    const QImage image = headerImage();
    const auto triangle = CColumnHeader::triangleFor(section(3), header().markUnit(), true);
    ASSERT_EQ(triangle.light.size(), 2);
    EXPECT_TRUE(lineDrawn(image, triangle.light[0], light)) << "right side";
    EXPECT_TRUE(lineDrawn(image, triangle.light[1], light)) << "base";
    EXPECT_TRUE(lineDrawn(image, triangle.dark[0], dark)) << "left side";
    // The base is the lowest part and lies o above the bottom edge.
    const int o = header().markUnit();
    EXPECT_EQ(triangle.light[1].y1(), section(3).bottom() + 1 - o);
}

TEST_F(SortMark, DownTriangleHasADarkTopAndLeftSideAndALightRightSide) {
    header().SetSortMark(3, false);
    const QImage image = headerImage();
    const auto triangle = CColumnHeader::triangleFor(section(3), header().markUnit(), false);
    EXPECT_TRUE(lineDrawn(image, triangle.light[0], light)) << "right side";
    ASSERT_EQ(triangle.dark.size(), 2);
    EXPECT_TRUE(lineDrawn(image, triangle.dark[0], dark)) << "left side";
    EXPECT_TRUE(lineDrawn(image, triangle.dark[1], dark)) << "top";
    EXPECT_EQ(triangle.dark[1].y1(), header().markUnit() - 1);
}

TEST_F(SortMark, MovingTheMarkLeavesTheOldColumnPlainButOwnerDrawn) {
    header().SetSortMark(3, true);
    header().SetSortMark(1, true);
    const QImage image = headerImage();
    const QRect old = section(3);
    const int o = header().markUnit();
    const QRect markArea(old.right() + 1 - 3 * o, 0, 3 * o, old.height());
    EXPECT_EQ(count(image, markArea, light), 0);
    EXPECT_EQ(count(image, markArea, dark), 0);
    EXPECT_EQ(image.pixelColor(old.right() - 2, old.center().y()), face)
        << "filled with the button face";
    EXPECT_TRUE(inkBox(image, old).isValid()) << "its text is still drawn";
    EXPECT_GT(count(image, section(1), light), 0) << "the mark moved to the sender column";
}

TEST_F(SortMark, TextFollowsTheColumnsAlignment) {
    auto* item = list.headerItem();
    item->setTextAlignment(2, Qt::AlignRight);
    item->setTextAlignment(4, Qt::AlignLeft);
    header().SetSortMark(2, true);
    header().SetSortMark(4, true);
    header().SetSortMark(0, true); // 2 and 4 are now owner-drawn without a mark
    const QImage image = headerImage();
    const int o = header().markUnit();
    const QRect right = inkBox(image, section(2));
    const QRect left = inkBox(image, section(4));
    ASSERT_TRUE(right.isValid());
    ASSERT_TRUE(left.isValid());
    EXPECT_LE(section(2).right() + 1 - o - (right.right() + 1), 3) << "right-aligned";
    EXPECT_LE(left.left() - (section(4).left() + o), 3) << "left-aligned";
}

TEST_F(SortMark, ANarrowColumnShowsTheMarkWithoutText) {
    const int o = header().markUnit();
    header().resizeSection(3, 4 * o);
    header().SetSortMark(3, true);
    const QImage image = headerImage();
    EXPECT_FALSE(inkBox(image, section(3)).isValid()) << "no text";
    EXPECT_GT(count(image, section(3), light), 0) << "the mark";
}

TEST_F(SortMark, PressingTheMarkedHeaderShiftsTheTextNotTheMark) {
    header().SetSortMark(3, true);
    const QRect area = section(3);
    const QImage before = headerImage();
    const QPoint inside = area.center();
    QMouseEvent press(QEvent::MouseButtonPress, inside, header().viewport()->mapToGlobal(inside),
                      Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(header().viewport(), &press);
    const QImage pressed = headerImage();
    QMouseEvent release(QEvent::MouseButtonRelease, inside,
                        header().viewport()->mapToGlobal(inside), Qt::LeftButton, Qt::NoButton,
                        Qt::NoModifier);
    QApplication::sendEvent(header().viewport(), &release);

    const int o = header().markUnit();
    const QRect textArea(area.left(), 0, area.width() - 3 * o, area.height());
    const QRect up = inkBox(before, textArea);
    const QRect down = inkBox(pressed, textArea);
    ASSERT_TRUE(up.isValid());
    EXPECT_EQ(down.topLeft() - up.topLeft(), QPoint(1, 2));
    const QRect markArea(area.right() + 1 - 3 * o, 0, 3 * o, area.height());
    EXPECT_EQ(before.copy(markArea), pressed.copy(markArea)) << "the triangle stays";
}

} // namespace
} // namespace ombrix
