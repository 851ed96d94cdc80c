#include "platform/text_fit.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QStyleOptionButton>
#include <QStyleOptionGroupBox>
#include <algorithm>

namespace ombrix {
namespace {

// Where a label draws its text: the contents less the margin, and less the
// indent that a framed label keeps from its frame.
QRect labelTextRect(const QLabel& label) {
    const int margin = label.margin();
    QRect room = label.contentsRect().adjusted(margin, margin, -margin, -margin);
    int indent = label.indent();
    if (indent < 0 && label.frameWidth())
        indent = label.fontMetrics().horizontalAdvance(QLatin1Char('x')) / 2 - margin;
    if (indent > 0) {
        const Qt::Alignment align = label.alignment();
        room.adjust(align & Qt::AlignLeft ? indent : 0, align & Qt::AlignTop ? indent : 0,
                    align & Qt::AlignRight ? -indent : 0, align & Qt::AlignBottom ? -indent : 0);
    }
    return room;
}

// The text's extent when the label is `size` large, and the room it has there.
bool labelFits(const QLabel& label, QSize size) {
    if (label.text().isEmpty() || label.textFormat() != Qt::PlainText || !label.pixmap().isNull())
        return true;
    const QSize border = label.size() - labelTextRect(label).size();
    const QSize room = size - border;
    const int flags = int(label.alignment()) | Qt::TextExpandTabs |
                      (label.wordWrap() ? int(Qt::TextWordWrap) : 0);
    const QRect drawn =
        label.fontMetrics().boundingRect(QRect(0, 0, room.width(), 1 << 20), flags, label.text());
    return drawn.width() <= room.width() && drawn.height() <= room.height();
}

QStyle::SubElement contentsElement(const QAbstractButton& button) {
    if (qobject_cast<const QCheckBox*>(&button))
        return QStyle::SE_CheckBoxContents;
    if (qobject_cast<const QRadioButton*>(&button))
        return QStyle::SE_RadioButtonContents;
    return QStyle::SE_PushButtonContents;
}

bool buttonFits(const QAbstractButton& button, QSize size) {
    if (button.text().isEmpty())
        return true;
    QStyleOptionButton option;
    option.initFrom(&button);
    option.text = button.text();
    option.icon = button.icon();
    option.iconSize = button.iconSize();
    if (const auto* push = qobject_cast<const QPushButton*>(&button)) {
        if (push->isDefault())
            option.features |= QStyleOptionButton::DefaultButton;
        if (push->autoDefault())
            option.features |= QStyleOptionButton::AutoDefaultButton;
    }
    const QRect contents =
        button.style()->subElementRect(contentsElement(button), &option, &button);
    const QSize room = size - (button.size() - contents.size());
    QSize needed = button.fontMetrics().size(Qt::TextShowMnemonic, button.text());
    if (!button.icon().isNull())
        needed.rwidth() += button.iconSize().width() + 4; // the gap the styles keep after an icon
    return needed.width() <= room.width() && needed.height() <= room.height();
}

bool groupBoxFits(const QGroupBox& box, QSize size) {
    if (box.title().isEmpty())
        return true;
    QStyleOptionGroupBox option;
    option.initFrom(&box);
    option.text = box.title();
    option.textAlignment = box.alignment();
    option.subControls = QStyle::SC_GroupBoxFrame | QStyle::SC_GroupBoxLabel;
    const QRect label =
        box.style()->subControlRect(QStyle::CC_GroupBox, &option, QStyle::SC_GroupBoxLabel, &box);
    return label.width() <= size.width() - 2 * label.left(); // the same margin on both sides
}

bool fitsIn(const QWidget& control, QSize size) {
    if (const auto* label = qobject_cast<const QLabel*>(&control))
        return labelFits(*label, size);
    if (const auto* button = qobject_cast<const QAbstractButton*>(&control))
        return buttonFits(*button, size);
    if (const auto* box = qobject_cast<const QGroupBox*>(&control))
        return groupBoxFits(*box, size);
    return true;
}

bool wrapsLines(const QWidget& control) {
    const auto* label = qobject_cast<const QLabel*>(&control);
    return label && label->wordWrap();
}

// The rectangle a control may take without coming closer than `gap` to a
// sibling beside it or to the frame (a group box or the parent) around it.
struct FreeRoom {
    int left, right, bottom;
};

FreeRoom freeRoom(const QWidget& control, const QRect& place, int gap) {
    const QWidget& parent = *control.parentWidget();
    FreeRoom room{gap, parent.width() - 1 - gap, parent.height() - 1 - gap};
    for (const QObject* child : parent.children()) {
        const auto* sibling = qobject_cast<const QWidget*>(child);
        if (!sibling || sibling == &control || sibling->isWindow())
            continue;
        const QRect other = sibling->geometry();
        if (qobject_cast<const QGroupBox*>(sibling) && other.contains(place)) {
            room.left = std::max(room.left, other.left() + gap);
            room.right = std::min(room.right, other.right() - gap);
            room.bottom = std::min(room.bottom, other.bottom() - gap);
            continue;
        }
        if (other.intersects(place)) // a frame it straddles, a placeholder under it
            continue;
        const bool sameRows = other.top() <= place.bottom() && other.bottom() >= place.top();
        const bool sameColumns = other.left() <= place.right() && other.right() >= place.left();
        if (sameRows && other.left() > place.right())
            room.right = std::min(room.right, other.left() - 1 - gap);
        if (sameRows && other.right() < place.left())
            room.left = std::max(room.left, other.right() + 1 + gap);
        if (sameColumns && other.top() > place.bottom())
            room.bottom = std::min(room.bottom, other.top() - 1 - gap);
    }
    room.left = std::min(room.left, place.left());
    room.right = std::max(room.right, place.right());
    room.bottom = std::max(room.bottom, place.bottom());
    return room;
}

bool isCentred(const QWidget& control) {
    const auto* label = qobject_cast<const QLabel*>(&control);
    return label && (label->alignment() & Qt::AlignHCenter);
}

// The narrowest width from the control's own up to `widest` at which the text
// fits the control's height; `widest` when none does.
int neededWidth(const QWidget& control, int widest) {
    const int height = control.height();
    int width = control.width();
    while (width < widest && !fitsIn(control, QSize(width, height)))
        ++width;
    return width;
}

// Takes `extra` pixels from the room on both sides of a centred text, evenly
// while both sides have room, else from the side that has it.
QRect widenCentred(const QRect& place, int extra, const FreeRoom& room) {
    const int leftRoom = place.left() - room.left;
    const int rightRoom = room.right - place.right();
    int toLeft = std::min(extra / 2, leftRoom);
    const int toRight = std::min(extra - toLeft, rightRoom);
    toLeft = std::min(extra - toRight, leftRoom);
    return place.adjusted(-toLeft, 0, toRight, 0);
}

} // namespace

bool showsWholeText(const QWidget& control) {
    return fitsIn(control, control.size());
}

bool fitText(QWidget& control, int gap) {
    if (showsWholeText(control) || !control.parentWidget())
        return true;
    QRect place = control.geometry();
    const FreeRoom room = freeRoom(control, place, gap);
    if (isCentred(control)) {
        const int widest = room.right - room.left + 1;
        place = widenCentred(place, neededWidth(control, widest) - place.width(), room);
    } else {
        place.setWidth(neededWidth(control, room.right - place.left() + 1));
    }
    if (wrapsLines(control) && !fitsIn(control, place.size())) {
        const FreeRoom below = freeRoom(control, place, gap);
        while (place.bottom() < below.bottom && !fitsIn(control, place.size()))
            place.setBottom(place.bottom() + 1);
    }
    control.setGeometry(place);
    return showsWholeText(control);
}

} // namespace ombrix
