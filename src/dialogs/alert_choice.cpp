#include "dialogs/alert_choice.h"

#include "dialogs/alert_texts.h"
#include "platform/dialog_builder.h"
#include "platform/message_box.h"
#include "res/account_dialog_templates.h"

#include <QComboBox>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace ombrix {

AlertChoice::AlertChoice(const DialogControls& controls)
    : kind_(controls.get<QComboBox>(res::kEditorAlert)),
      file_(controls.get<QLineEdit>(res::kEditorAlertWave)),
      browse_(controls.get<QPushButton>(res::kEditorAlertBrowse)),
      notice_(controls.get<QLabel>(res::kEditorAlertNotice)) {
    // In the order of AlertKind.
    kind_->addItems({QString::fromUtf8(alert_texts::followProgram()),
                     QString::fromUtf8(alert_texts::ownWave()),
                     QString::fromUtf8(alert_texts::silent())});
}

void AlertChoice::connect(QWidget& context) {
    QObject::connect(kind_, &QComboBox::currentIndexChanged, &context, [this] { update(); });
    QObject::connect(browse_, &QPushButton::clicked, &context, [this] { browse(); });
}

void AlertChoice::show(const AccountAlert& alert) {
    file_->setText(QFile::decodeName(alert.waveFile.c_str()));
    kind_->setCurrentIndex(static_cast<int>(alert.kind));
    update();
}

AlertKind AlertChoice::kind() const {
    switch (kind_->currentIndex()) {
    case static_cast<int>(AlertKind::OwnWave):
        return AlertKind::OwnWave;
    case static_cast<int>(AlertKind::Silent):
        return AlertKind::Silent;
    default:
        return AlertKind::FollowProgram;
    }
}

// The file stays in the edit whatever kind is chosen: switching back to the
// own wave finds it again.
AccountAlert AlertChoice::chosen() const {
    if (kind() != AlertKind::OwnWave)
        return {kind(), {}};
    return {AlertKind::OwnWave, QFile::encodeName(file_->text()).toStdString()};
}

QString AlertChoice::problem() const {
    if (kind() != AlertKind::OwnWave)
        return {};
    const QString path = file_->text();
    if (path.isEmpty())
        return QString::fromUtf8(alert_texts::noFileChosen());
    const QFileInfo file(path);
    if (!file.exists() || file.isDir())
        return QString::fromUtf8(alert_texts::fileMissing());
    if (!file.isReadable())
        return QString::fromUtf8(alert_texts::fileUnreadable());
    return {};
}

bool AlertChoice::refusesMissingFile() const {
    const QString reason = problem();
    if (reason.isEmpty())
        return false;
    messageBox(alert_texts::refusal(file_->text().toStdString(), reason.toStdString()));
    return true;
}

void AlertChoice::browse() {
    if (const std::optional<QString> path = chooseFile_(browse_)) {
        file_->setText(*path);
        kind_->setCurrentIndex(static_cast<int>(AlertKind::OwnWave));
    }
    update();
}

void AlertChoice::update() {
    const bool ownWave = kind() == AlertKind::OwnWave;
    file_->setEnabled(ownWave);
    notice_->setText(problem());
}

} // namespace ombrix
