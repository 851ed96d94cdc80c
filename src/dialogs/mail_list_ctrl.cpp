#include "dialogs/mail_list_ctrl.h"

#include <QMouseEvent>
#include <QPainter>

namespace ombrix {
namespace {

constexpr int kMaxHeaderText = 255;

Qt::Alignment horizontalAlignment(const QVariant& alignment) {
    const auto flags = Qt::Alignment(alignment.toInt());
    if (flags & Qt::AlignHCenter)
        return Qt::AlignHCenter;
    if (flags & Qt::AlignRight)
        return Qt::AlignRight;
    return Qt::AlignLeft;
}

} // namespace

CColumnHeader::CColumnHeader(QWidget* parent) : QHeaderView(Qt::Horizontal, parent) {
    setSectionsClickable(true);
    setSortIndicatorShown(false);
}

int CColumnHeader::SetSortMark(int column, bool up) {
    const int previous = sortColumn_;
    sortColumn_ = column;
    sortUp_ = up;
    ownerDrawn_.insert(column);
    viewport()->update();
    return previous;
}

int CColumnHeader::markUnit() const {
    return 2 * fontMetrics().horizontalAdvance(QLatin1Char(' '));
}

// The text keeps o on each side and three more o for the mark (drawItem).
int CColumnHeader::markedWidthFor(const QString& text) const {
    return fontMetrics().horizontalAdvance(text) + 5 * markUnit();
}

CColumnHeader::Triangle CColumnHeader::triangleFor(const QRect& section, int o, bool up) {
    // r and b are the rectangle's right and bottom edges as the window system
    // counts them: one past the last pixel.
    const int r = section.right() + 1;
    const int b = section.bottom() + 1;
    Triangle triangle;
    if (up) {
        const QPoint apex(r - 2 * o, o - 1);
        const QPoint right(r - 3 * o / 2, b - o);
        const QPoint left(r - 5 * o / 2 - 2, b - o);
        triangle.light = {QLine(apex, right), QLine(right, left)};
        triangle.dark = {QLine(QPoint(r - 5 * o / 2 - 1, b - o - 1), QPoint(r - 2 * o, o - 2))};
    } else {
        const QPoint topRight(r - 3 * o / 2, o - 1);
        const QPoint tip(r - 2 * o - 1, b - o + 1);
        triangle.light = {QLine(topRight, tip)};
        const QPoint darkTip(r - 2 * o - 1, b - o);
        const QPoint topLeft(r - 5 * o / 2 - 1, o - 1);
        triangle.dark = {QLine(darkTip, topLeft), QLine(topLeft, topRight)};
    }
    return triangle;
}

void CColumnHeader::paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const {
    if (!ownerDrawn_.contains(logicalIndex)) {
        QHeaderView::paintSection(painter, rect, logicalIndex);
        return;
    }
    drawItem(painter, rect, logicalIndex);
}

void CColumnHeader::drawItem(QPainter* painter, const QRect& rect, int logicalIndex) const {
    painter->save();
    painter->setClipRect(rect);
    painter->setRenderHint(QPainter::Antialiasing, false);
    painter->fillRect(rect, palette().color(QPalette::Button));

    const int o = markUnit();
    const QString text =
        model() ? model()->headerData(logicalIndex, orientation()).toString().left(kMaxHeaderText)
                : QString();
    const Qt::Alignment alignment =
        model() ? horizontalAlignment(
                      model()->headerData(logicalIndex, orientation(), Qt::TextAlignmentRole))
                : Qt::AlignLeft;

    // Windows-style text rectangle: right and bottom one past the last pixel.
    int left = rect.left(), top = rect.top(), right = rect.right() + 1, bottom = rect.bottom() + 1;
    if (logicalIndex == pressedSection_) { // the whole text moves, so bottom goes along too
        left += 1;
        top += 2;
        right += 1;
        bottom += 2;
    }
    const bool marked = logicalIndex == sortColumn_;
    if (marked)
        right -= 3 * o;
    left += o;
    right -= o;
    if (right - left > 0) {
        const QRect textRect(left, top, right - left, bottom - top);
        painter->setPen(palette().color(QPalette::ButtonText));
        painter->setFont(font());
        const QString shown =
            fontMetrics().elidedText(text, Qt::ElideRight, textRect.width(), Qt::TextSingleLine);
        painter->drawText(textRect, int(alignment | Qt::AlignVCenter | Qt::TextSingleLine), shown);
    }

    if (marked) {
        const Triangle triangle = triangleFor(rect, o, sortUp_);
        painter->setPen(QPen(palette().color(QPalette::Light), 1, Qt::SolidLine));
        painter->drawLines(triangle.light);
        painter->setPen(QPen(palette().color(QPalette::Dark), 1, Qt::SolidLine));
        painter->drawLines(triangle.dark);
    }
    painter->restore();
}

void CColumnHeader::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && sectionsClickable()) {
        pressedSection_ = logicalIndexAt(event->position().toPoint());
        viewport()->update();
    }
    QHeaderView::mousePressEvent(event);
}

void CColumnHeader::mouseReleaseEvent(QMouseEvent* event) {
    if (pressedSection_ != -1) {
        pressedSection_ = -1;
        viewport()->update();
    }
    QHeaderView::mouseReleaseEvent(event);
}

CMailListCtrl::CMailListCtrl(QWidget* parent)
    : QTreeWidget(parent), header_(new CColumnHeader(this)) {
    setHeader(header_);
    setRootIsDecorated(false);
    setUniformRowHeights(true);
    setAllColumnsShowFocus(true);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    header_->setSectionsClickable(true);
    header_->setStretchLastSection(false);
}

} // namespace ombrix
