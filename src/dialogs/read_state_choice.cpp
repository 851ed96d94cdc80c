#include "dialogs/read_state_choice.h"

#include "core/language.h"
#include "platform/dialog_builder.h"
#include "res/account_dialog_templates.h"

#include <QCheckBox>
#include <QComboBox>

namespace ombrix {

ReadStateChoice::ReadStateChoice(const DialogControls& controls)
    : followServer_(controls.get<QCheckBox>(res::kEditorFollowServer)),
      markOnServer_(controls.get<QCheckBox>(res::kEditorMarkOnServer)) {}

void ReadStateChoice::connect(QWidget& context, QComboBox& protocol) {
    QObject::connect(&protocol, &QComboBox::currentIndexChanged, &context,
                     [this, &protocol] { enableFor(protocol); });
    enableFor(protocol);
}

void ReadStateChoice::enableFor(const QComboBox& protocol) {
    const bool imap = protocol.currentText() == QLatin1String("IMAP");
    followServer_->setEnabled(imap);
    markOnServer_->setEnabled(imap);
}

void ReadStateChoice::show(const ReadStateSwitches& switches) {
    followServer_->setChecked(switches.followServer);
    markOnServer_->setChecked(switches.markOnServer);
}

const char* ReadStateChoice::notSavedText() {
    return Text("ombrix.conf ließ sich nicht speichern: der Gelesen-Status des Kontos gilt nur "
                "bis zum Ende des Programms.",
                "ombrix.conf could not be saved: the account's read state switches last only "
                "until the program ends.");
}

ReadStateSwitches ReadStateChoice::chosen() const {
    return {followServer_->isChecked(), markOnServer_->isChecked()};
}

} // namespace ombrix
