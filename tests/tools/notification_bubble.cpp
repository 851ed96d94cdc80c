#include "tools/notification_bubble.h"

#include "tools/body_markup.h"

#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace ombrix::standin {
namespace {

constexpr int kBubbleWidth = 420;
constexpr int kSenderIconSize = 20;

QLabel* textLabel(const QString& richText, QWidget* parent) {
    auto* label = new QLabel(richText, parent);
    label->setTextFormat(Qt::RichText);
    label->setWordWrap(true);
    return label;
}

// The sender's icon by its theme name, as the program's desktop entry names it.
QWidget* senderRow(const Notification& notification, QWidget* parent) {
    auto* row = new QWidget(parent);
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    const QIcon icon = QIcon::fromTheme(notification.appIcon);
    if (!icon.isNull()) {
        auto* picture = new QLabel(row);
        picture->setPixmap(icon.pixmap(kSenderIconSize, kSenderIconSize));
        layout->addWidget(picture);
    }
    auto* name = new QLabel(notification.appName, row);
    name->setStyleSheet(QStringLiteral("color: #5e5e5e;"));
    layout->addWidget(name, 1);
    return row;
}

} // namespace

NotificationBubble::NotificationBubble(const Notification& notification, QWidget* parent)
    : QFrame(parent) {
    setWindowTitle(QStringLiteral("Notification"));
    setWindowFlag(Qt::FramelessWindowHint);
    setObjectName(QStringLiteral("bubble"));
    setStyleSheet(QStringLiteral("#bubble { background: #f7f7f7; border: 1px solid #8c8c8c; }"));

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(14, 10, 14, 12);
    layout->setSpacing(6);
    layout->addWidget(senderRow(notification, this));
    auto* summary = textLabel(richTextFromPlain(notification.summary), this);
    QFont bold = summary->font();
    bold.setBold(true);
    bold.setPointSizeF(bold.pointSizeF() * 1.1);
    summary->setFont(bold);
    layout->addWidget(summary);
    layout->addWidget(textLabel(richTextFromBodyMarkup(notification.body), this));

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    for (const auto& [key, label] : notification.actions) {
        if (key == QLatin1String("default"))
            continue;
        auto* button = new QPushButton(label, this);
        connect(button, &QPushButton::clicked, this, [this, key = key] { emit actionChosen(key); });
        buttons->addWidget(button);
    }
    layout->addLayout(buttons);
    // The height the wrapped body needs at the bubble's width, and no more:
    // a window's spare height would open gaps between the lines.
    setFixedSize(kBubbleWidth, layout->totalHeightForWidth(kBubbleWidth));
}

} // namespace ombrix::standin
