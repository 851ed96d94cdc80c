// The account editor's choice between the password and an OAuth sign-in.

#include "config/program_conf.h"
#include "core/account_table.h"
#include "core/password_keyring.h"
#include "dialogs/change_konto.h"
#include "dialogs/sign_in_request.h"
#include "dialogs/sign_in_texts.h"
#include "dialogs/wizzard_texts.h"
#include "oauth/account_sign_in.h"
#include "platform/display_qstring.h"
#include "platform/message_box.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>

namespace ombrix {
namespace {

bool sameKey(const SecretKey& a, const SecretKey& b) {
    return a.host == b.host && a.user == b.user && a.protocol == b.protocol && a.port == b.port;
}

} // namespace

SecretKey ChangeKonto::editedKey(const AccountRecord& account) const {
    NewAccount shown;
    shown.host = edited(server_, account.host);
    shown.user = edited(user_, account.user);
    shown.port = port_->text().isEmpty() ? account.port : fromDisplay(port_->text());
    shown.imap = protocol_->currentText().isEmpty() ? account.protocol == 1
                                                    : protocol_->currentText() == "IMAP";
    return keyringKeyOf(shown);
}

// The password edit serves only the password; "sign in again" only an
// account that keeps its provider.
void ChangeKonto::authChosen() {
    const std::string provider = auth_.provider();
    password_.edit->setEnabled(provider.empty());
    signInAgain_->setVisible(!providerBefore_.empty() && provider == providerBefore_);
}

bool ChangeKonto::needsSignIn(const AccountRecord& account, const std::string& provider) const {
    return provider != providerBefore_ || !signInBefore_ ||
           !sameKey(editedKey(account), keyringKeyOf(account)) || signInAgain_->isChecked();
}

void ChangeKonto::acceptWithPassword(AccountRecord& account) {
    // An OAuth account has no password of its own to keep.
    if (!providerBefore_.empty() && password_.edit->text().isEmpty()) {
        messageBox(wizard_texts::passwordMissing());
        return;
    }
    storeInto(account);
    account.oauthProvider.clear();
    keepAlert();
    keepReadState();
    QDialog::accept();
}

void ChangeKonto::signIn(const AccountRecord& account, const std::string& provider) {
    OAuthSignIn wanted{provider, {}};
    if (signInBefore_ && signInBefore_->provider == provider)
        wanted.custom = signInBefore_->custom; // shown again, to be changed or kept
    signingIn_ = true;
    signInAccount(*this, {wanted, editedKey(account), edited(address_, account.name)},
                  [this](const std::optional<OAuthSignIn>& done) {
                      signingIn_ = false;
                      if (done)
                          signedIn(*done);
                  });
}

void ChangeKonto::signedIn(const OAuthSignIn& signIn) {
    AccountRecord* account = editedRecord();
    if (!account)
        return;
    storeInto(*account);
    if (oauth::recordSignIn(*account, signIn))
        messageBox(sign_in_texts::settingsNotSaved());
    keepAlert();
    keepReadState();
    QDialog::accept();
}

} // namespace ombrix
