#include "notify/popup_caption.h"

#include <QTextLayout>
#include <QTextOption>

namespace ombrix {

namespace {

QString normalised(const QString& caption) {
    QString text = caption;
    text.remove(QLatin1Char('\r'));
    while (text.endsWith(QLatin1Char('\n')))
        text.chop(1);
    text.replace(QLatin1Char('\n'), QChar::LineSeparator);
    return text;
}

QString withoutLineBreaks(QString text) {
    text.replace(QChar::LineSeparator, QLatin1Char(' '));
    return text;
}

} // namespace

QStringList captionLines(const QFont& font, QSize area, const QString& caption) {
    const QString text = normalised(caption);
    if (text.isEmpty() || area.width() <= 0)
        return {};
    const QFontMetrics metrics(font);
    QTextLayout layout(text, font);
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    QStringList lines;
    int lastStart = 0;
    bool cut = false;
    layout.beginLayout();
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(area.width());
        if (!lines.isEmpty() && (lines.size() + 1) * metrics.lineSpacing() > area.height()) {
            cut = true;
            break;
        }
        lastStart = line.textStart();
        QString shown = text.mid(line.textStart(), line.textLength());
        if (shown.endsWith(QChar::LineSeparator))
            shown.chop(1);
        lines << shown;
    }
    layout.endLayout();
    if (cut)
        lines.back() = metrics.elidedText(withoutLineBreaks(text.mid(lastStart)).trimmed() +
                                              QStringLiteral(" \u2026"),
                                          Qt::ElideRight, area.width());
    return lines;
}

void drawCaption(QPainter& painter, const QRect& area, const QString& caption) {
    const QFontMetrics metrics(painter.font());
    const QStringList lines = captionLines(painter.font(), area.size(), caption);
    const int lineSpacing = metrics.lineSpacing();
    int y = area.y() + (area.height() - static_cast<int>(lines.size()) * lineSpacing) / 2;
    for (const QString& line : lines) {
        painter.drawText(QRect(area.x(), y, area.width(), lineSpacing),
                         Qt::AlignHCenter | Qt::AlignTop, line);
        y += lineSpacing;
    }
}

} // namespace ombrix
