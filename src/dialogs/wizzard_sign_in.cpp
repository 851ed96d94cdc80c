// The wizard's last step with OAuth: the sign-in in the browser takes the
// place of the password.

#include "core/account_table.h"
#include "core/password_keyring.h"
#include "dialogs/sign_in_request.h"
#include "dialogs/sign_in_texts.h"
#include "dialogs/wizzard.h"
#include "dialogs/wizzard_texts.h"
#include "oauth/account_sign_in.h"
#include "oauth/providers.h"
#include "platform/message_box.h"
#include "res/account_dialog_templates.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>

namespace ombrix {

void CWizzard::offerSignIn() {
    controls_.byId(res::kWizardAuthLabel)->show();
    controls_.byId(res::kWizardAuth)->show();
    auth_.offer(answers_.server, {});
    auth_.choose(oauth::presetForHost(answers_.server)); // the password where there is none
    authChosen();
}

void CWizzard::authChosen() {
    if (answers_.step != 5)
        return;
    const std::string provider = auth_.provider();
    answer_->setVisible(provider.empty());
    if (provider.empty()) {
        showStep(5, QString::fromUtf8(wizard_texts::passwordQuestion()));
        answer_->setFocus();
    } else {
        showStep(5, QString::fromStdString(sign_in_texts::signInQuestion(provider)));
    }
}

void CWizzard::signInNewAccount(const std::string& provider) {
    if (signingIn_)
        return;
    if (accountCount >= kMaxAccounts) {
        messageBox(accountLimitText());
        reject();
        return;
    }
    const NewAccount account = newAccount({}); // the provider signs the user in
    signingIn_ = true;
    signInAccount(*this, {{provider, {}}, keyringKeyOf(account), account.name},
                  [this, account](const std::optional<OAuthSignIn>& done) {
                      signingIn_ = false;
                      if (done)
                          addSignedIn(account, *done);
                  });
}

void CWizzard::addSignedIn(const NewAccount& account, const OAuthSignIn& signIn) {
    const int slot = appendAccount(account);
    if (slot < 0) {
        messageBox(accountLimitText());
        reject();
        return;
    }
    if (oauth::recordSignIn(accounts[static_cast<std::size_t>(slot)], signIn))
        messageBox(sign_in_texts::settingsNotSaved());
    messageBox(wizard_texts::accountAdded());
    accept();
}

} // namespace ombrix
