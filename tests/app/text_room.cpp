#include "app/text_room.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QStyleOptionButton>
#include <QStyleOptionGroupBox>

namespace ombrix::test {
namespace {

std::optional<CutText> compare(const QString& text, QSize needed, QSize available) {
    if (needed.width() <= available.width() && needed.height() <= available.height())
        return std::nullopt;
    return CutText{text, needed, available};
}

// The text rectangle a plain-text label draws into, as QLabel computes it:
// the contents less the margin, less the indent a framed label keeps.
QRect labelTextRect(const QLabel& label) {
    const int margin = label.margin();
    QRect room = label.contentsRect().adjusted(margin, margin, -margin, -margin);
    int indent = label.indent();
    if (indent < 0 && label.frameWidth())
        indent = label.fontMetrics().horizontalAdvance(QLatin1Char('x')) / 2 - margin;
    if (indent > 0) {
        const Qt::Alignment align = label.alignment();
        if (align & Qt::AlignLeft)
            room.setLeft(room.left() + indent);
        if (align & Qt::AlignRight)
            room.setRight(room.right() - indent);
        if (align & Qt::AlignTop)
            room.setTop(room.top() + indent);
        if (align & Qt::AlignBottom)
            room.setBottom(room.bottom() - indent);
    }
    return room;
}

std::optional<CutText> cutLabel(const QLabel& label) {
    if (label.text().isEmpty() || label.textFormat() != Qt::PlainText)
        return std::nullopt;
    const QRect room = labelTextRect(label);
    const int flags = int(label.alignment()) | Qt::TextExpandTabs |
                      (label.wordWrap() ? int(Qt::TextWordWrap) : 0);
    const QRect drawn =
        label.fontMetrics().boundingRect(QRect(0, 0, room.width(), 100000), flags, label.text());
    return compare(label.text(), drawn.size(), room.size());
}

std::optional<CutText> cutButton(const QAbstractButton& button, QStyle::SubElement contents) {
    if (button.text().isEmpty())
        return std::nullopt;
    QStyleOptionButton option;
    option.initFrom(&button);
    option.text = button.text();
    if (const auto* push = qobject_cast<const QPushButton*>(&button)) {
        if (push->isDefault())
            option.features |= QStyleOptionButton::DefaultButton;
        if (push->autoDefault())
            option.features |= QStyleOptionButton::AutoDefaultButton;
    }
    const QRect room = button.style()->subElementRect(contents, &option, &button);
    QSize needed = button.fontMetrics().size(Qt::TextShowMnemonic, button.text());
    if (!button.icon().isNull())
        needed.rwidth() += button.iconSize().width() + 4;
    return compare(button.text(), needed, room.size());
}

std::optional<CutText> cutGroupBox(const QGroupBox& box) {
    if (box.title().isEmpty())
        return std::nullopt;
    QStyleOptionGroupBox option;
    option.initFrom(&box);
    option.text = box.title();
    option.textAlignment = box.alignment();
    option.subControls = QStyle::SC_GroupBoxFrame | QStyle::SC_GroupBoxLabel;
    const QRect label =
        box.style()->subControlRect(QStyle::CC_GroupBox, &option, QStyle::SC_GroupBoxLabel, &box);
    // The frame keeps the label's left margin on its right as well.
    const QSize room(box.width() - 2 * label.left(), box.height());
    return compare(box.title(), label.size(), room);
}

} // namespace

QRect coveredArea(const QWidget& control) {
    if (const auto* box = qobject_cast<const QGroupBox*>(&control)) {
        QRect frame = box->geometry(); // its top line runs through the title's middle
        frame.setTop(frame.top() + box->fontMetrics().height() / 2);
        return frame;
    }
    const auto* label = qobject_cast<const QLabel*>(&control);
    if (!label || label->text().isEmpty() || label->textFormat() != Qt::PlainText)
        return control.geometry();
    const int flags = int(label->alignment()) | Qt::TextExpandTabs |
                      (label->wordWrap() ? int(Qt::TextWordWrap) : 0);
    const QRect drawn =
        label->fontMetrics().boundingRect(labelTextRect(*label), flags, label->text());
    return drawn.translated(label->pos()).intersected(label->geometry());
}

std::optional<CutText> cutText(const QWidget& control) {
    if (const auto* label = qobject_cast<const QLabel*>(&control))
        return cutLabel(*label);
    if (const auto* box = qobject_cast<const QCheckBox*>(&control))
        return cutButton(*box, QStyle::SE_CheckBoxContents);
    if (const auto* radio = qobject_cast<const QRadioButton*>(&control))
        return cutButton(*radio, QStyle::SE_RadioButtonContents);
    if (const auto* button = qobject_cast<const QPushButton*>(&control))
        return cutButton(*button, QStyle::SE_PushButtonContents);
    if (const auto* group = qobject_cast<const QGroupBox*>(&control))
        return cutGroupBox(*group);
    return std::nullopt;
}

QStringList cutTexts(const QWidget& window, const QString& windowName) {
    QStringList lines;
    for (const QWidget* control : window.findChildren<QWidget*>()) {
        if (!control->isVisibleTo(&window))
            continue;
        const std::optional<CutText> cut = cutText(*control);
        if (!cut)
            continue;
        lines << QStringLiteral("%1: %2 %3 \"%4\" needs %5x%6, has %7x%8")
                     .arg(windowName, QString::fromLatin1(control->metaObject()->className()),
                          control->objectName().isEmpty() ? QStringLiteral("(no id)")
                                                          : control->objectName(),
                          cut->text)
                     .arg(cut->needed.width())
                     .arg(cut->needed.height())
                     .arg(cut->available.width())
                     .arg(cut->available.height());
    }
    return lines;
}

} // namespace ombrix::test
