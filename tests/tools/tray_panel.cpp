#include "tools/tray_panel.h"

#include "tools/body_markup.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QVBoxLayout>

namespace ombrix::standin {
namespace {

constexpr int kPanelWidth = 480;
constexpr int kStripHeight = 32;
constexpr int kTrayIconSize = 24;
constexpr int kEdge = 8; // between the icon and the panel's right end

// The item sends its tooltip as plain text.
QString toolTipRichText(const TrayItem& item) {
    return QStringLiteral("<b>%1</b>").arg(richTextFromPlain(item.toolTipTitle)) +
           (item.toolTipText.isEmpty()
                ? QString()
                : QStringLiteral("<br/>") + richTextFromPlain(item.toolTipText));
}

} // namespace

TrayPanel::TrayPanel(const TrayItem& item, QWidget* parent) : QWidget(parent), item_(item) {
    setWindowTitle(QStringLiteral("Panel"));
    setWindowFlag(Qt::FramelessWindowHint);
    // The tooltip stands on the desktop, not on a box of the panel's own.
    setAttribute(Qt::WA_TranslucentBackground);
    setFixedWidth(kPanelWidth);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, kStripHeight + 4, kEdge, 0);
    auto* tip = new QLabel(toolTipRichText(item_), this);
    tip->setTextFormat(Qt::RichText);
    tip->setStyleSheet(QStringLiteral("QLabel { background: #ffffe8; color: #1e1e1e; border: 1px "
                                      "solid #7a7a7a; padding: 6px; }"));
    layout->addWidget(tip, 0, Qt::AlignRight);
    adjustSize();
}

void TrayPanel::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    painter.fillRect(0, 0, width(), kStripHeight, QColor(0x2e, 0x34, 0x36));
    if (item_.icon.isNull())
        return;
    const QRect place(width() - kEdge - kTrayIconSize, (kStripHeight - kTrayIconSize) / 2,
                      kTrayIconSize, kTrayIconSize);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(place, item_.icon);
}

} // namespace ombrix::standin
