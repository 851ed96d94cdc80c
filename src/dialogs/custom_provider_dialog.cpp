#include "dialogs/custom_provider_dialog.h"

#include "core/language.h"
#include "dialogs/sign_in_texts.h"
#include "platform/dialog_builder.h"
#include "platform/display_qstring.h"
#include "platform/message_box.h"
#include "res/account_dialog_templates.h"

#include <QLineEdit>
#include <QPushButton>

namespace ombrix {

CustomProviderDialog::CustomProviderDialog(const CustomProvider& shown, QWidget* parent)
    : QDialog(parent), shown_(shown) {
    const DialogControls controls = buildDialog(*this, res::customProviderTemplate, Language);
    authorizationUrl_ = controls.get<QLineEdit>(res::kCustomAuthorizationUrl);
    tokenUrl_ = controls.get<QLineEdit>(res::kCustomTokenUrl);
    clientId_ = controls.get<QLineEdit>(res::kCustomClientId);
    scope_ = controls.get<QLineEdit>(res::kCustomScope);
    for (auto [edit, value] : {std::pair{authorizationUrl_, &shown.authorizationUrl},
                               {tokenUrl_, &shown.tokenUrl},
                               {clientId_, &shown.clientId},
                               {scope_, &shown.scope}})
        edit->setText(toDisplay(*value));
    connect(controls.get<QPushButton>(res::kCustomOk), &QPushButton::clicked, this,
            &CustomProviderDialog::accept);
    connect(controls.get<QPushButton>(res::kCustomCancel), &QPushButton::clicked, this,
            &CustomProviderDialog::reject);
    setModal(true);
}

CustomProvider CustomProviderDialog::provider() const {
    CustomProvider typed = shown_;
    typed.authorizationUrl = fromDisplay(authorizationUrl_->text().trimmed());
    typed.tokenUrl = fromDisplay(tokenUrl_->text().trimmed());
    typed.clientId = fromDisplay(clientId_->text().trimmed());
    typed.scope = fromDisplay(scope_->text().simplified());
    return typed;
}

void CustomProviderDialog::accept() {
    const CustomProvider typed = provider();
    if (typed.authorizationUrl.empty() || typed.tokenUrl.empty() || typed.clientId.empty()) {
        messageBox(sign_in_texts::endpointsMissing());
        return;
    }
    QDialog::accept();
}

} // namespace ombrix
