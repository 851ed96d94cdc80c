#include "dialogs/about_box.h"

#include "core/language.h"
#include "platform/dialog_builder.h"
#include "res/info_dialog_templates.h"

#include <QLabel>
#include <QPixmap>
#include <QPushButton>

namespace ombrix {

// Each template carries its one language, so the builder's choice is moot.
AboutBox::AboutBox(const DialogTemplate& tmpl, QWidget* parent) : QDialog(parent) {
    const DialogControls controls = buildDialog(*this, tmpl, 0);
    auto* picture = controls.get<QLabel>(res::kAboutPicture);
    picture->setAlignment(Qt::AlignCenter);
    picture->setPixmap(QPixmap(QString::fromLatin1(res::kAboutPicturePath)));
    connect(controls.get<QPushButton>(res::kAboutOk), &QPushButton::clicked, this,
            &QDialog::accept);
    setModal(true);
}

CAbout::CAbout(QWidget* parent) : AboutBox(res::aboutGermanTemplate, parent) {}

AboutEN::AboutEN(QWidget* parent) : AboutBox(res::aboutEnglishTemplate, parent) {}

std::unique_ptr<AboutBox> makeAboutBox(QWidget* parent) {
    if (Language == 0)
        return std::make_unique<CAbout>(parent);
    return std::make_unique<AboutEN>(parent);
}

} // namespace ombrix
