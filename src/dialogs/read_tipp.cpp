#include "dialogs/read_tipp.h"

#include "config/settings.h"
#include "core/language.h"
#include "platform/dialog_builder.h"
#include "res/info_dialog_templates.h"

#include <QCheckBox>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>

namespace ombrix {

CReadTipp::CReadTipp(QWidget* parent) : QDialog(parent) {
    const DialogControls controls = buildDialog(*this, res::hintTemplate, Language);
    dontShowAgain_ = controls.get<QCheckBox>(res::kHintCheckBox);
    auto* picture = controls.get<QLabel>(res::kHintPicture);
    picture->setAlignment(Qt::AlignCenter);
    picture->setPixmap(QPixmap(QString::fromLatin1(res::kHintPicturePath)));
    connect(controls.get<QPushButton>(res::kHintOk), &QPushButton::clicked, this,
            &CReadTipp::accept);
    setModal(true);
}

void CReadTipp::accept() {
    if (dontShowAgain_->isChecked())
        settings.markAllHint = 0;
    QDialog::accept();
}

} // namespace ombrix
