// The caption's fit into the text area: line ends, wrapping, and the cut.

#include "notify/popup_caption.h"
#include "notify/qstring_print.h"

#include <QFontMetrics>
#include <gtest/gtest.h>
#include <ostream>

namespace ombrix {
namespace {

QFont captionFont() {
    QFont font("Arial");
    font.setPointSizeF(8.0);
    return font;
}

TEST(CaptionLines, LineEndsSplitAndTrailingOnesAreNoLines) {
    const QSize area(210, 70);
    EXPECT_EQ(captionLines(captionFont(), area, "Work: 2 new mails !\nHome: 1 new mail !\n"),
              QStringList({"Work: 2 new mails !", "Home: 1 new mail !"}));
    EXPECT_EQ(captionLines(captionFont(), area, "A: 1\r\nB: 2\r\n\r\n"),
              QStringList({"A: 1", "B: 2"}));
    EXPECT_TRUE(captionLines(captionFont(), area, "\n").isEmpty());
}

TEST(CaptionLines, LongLinesWrapWithinTheWidth) {
    const QFont font = captionFont();
    const QStringList lines = captionLines(
        font, QSize(210, 200), "A very long account name that cannot fit: 12 new mails !");
    ASSERT_GE(lines.size(), 2);
    for (const QString& line : lines)
        EXPECT_LE(QFontMetrics(font).horizontalAdvance(line.trimmed()), 210) << line.toStdString();
}

TEST(CaptionLines, TooManyLinesAreCutWithAnEllipsis) {
    const QFont font = captionFont();
    QString caption;
    for (int i = 0; i < 10; ++i)
        caption += QString("Account %1: %1 new mails !\n").arg(i);
    const int spacing = QFontMetrics(font).lineSpacing();
    const QStringList lines = captionLines(font, QSize(210, 70), caption);
    EXPECT_EQ(lines.size(), 70 / spacing);
    EXPECT_TRUE(lines.back().endsWith(QChar(0x2026))) << lines.back().toStdString();
    EXPECT_EQ(lines.front(), "Account 0: 0 new mails !");
}

} // namespace
} // namespace ombrix
