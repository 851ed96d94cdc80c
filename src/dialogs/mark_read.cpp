#include "dialogs/mark_read.h"

#include "core/language.h"
#include "platform/dialog_builder.h"
#include "res/mail_preview_templates.h"

#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QStyle>

namespace ombrix {

CMarkRead::CMarkRead(QWidget* parent) : QDialog(parent) {
    const DialogControls controls = buildDialog(*this, res::markReadTemplate, Language);
    // It may open from a timer while the window hides in the tray: it must
    // come up over everything and hold the whole program until answered.
    setWindowFlag(Qt::WindowStaysOnTopHint);
    setWindowModality(Qt::ApplicationModal);

    auto* icon = controls.get<QLabel>(res::kMarkIcon);
    const int iconSize = style()->pixelMetric(QStyle::PM_MessageBoxIconSize, nullptr, this);
    icon->setPixmap(style()
                        ->standardIcon(QStyle::SP_MessageBoxQuestion, nullptr, this)
                        .pixmap(iconSize, iconSize));
    icon->resize(icon->size().expandedTo(QSize(iconSize, iconSize)));

    const std::pair<int, Result> buttons[] = {{res::kMarkAllAccounts, AllAccounts},
                                              {res::kMarkSelectedAccount, SelectedAccount},
                                              {res::kMarkCancel, Cancel}};
    for (const auto& [id, result] : buttons)
        connect(controls.get<QPushButton>(id), &QPushButton::clicked, this,
                [this, result = result] { done(result); });
}

void CMarkRead::reject() {
    done(Cancel);
}

void CMarkRead::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    QScreen* screen = parentWidget() ? parentWidget()->screen() : QGuiApplication::primaryScreen();
    if (screen) {
        QRect frame = frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
    raise();
    activateWindow();
}

} // namespace ombrix
