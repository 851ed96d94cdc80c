#pragma once
// The pop-up's caption as lines that fit its text area: word-wrapped at the
// area's width, cut at its height, the last kept line ending in an ellipsis
// when text was cut.

#include <QFont>
#include <QPainter>
#include <QRect>
#include <QString>
#include <QStringList>

namespace ombrix {

// Line ends may be LF or CR LF; line ends at the very end do not count as lines.
QStringList captionLines(const QFont& font, QSize area, const QString& caption);

// Draws the lines centred in `area`, horizontally and vertically, in the
// painter's current font and pen.
void drawCaption(QPainter& painter, const QRect& area, const QString& caption);

} // namespace ombrix
