#pragma once
// The account editor: changes address, server, port, protocol, TLS, user
// name and password of one existing account, in place, whether it signs in
// with its password or with OAuth, how its new mail is announced and whether
// its read state is in step with the server. A new
// OAuth sign-in runs when OK is pressed; the account changes only once it
// succeeded.

#include "config/account_alert.h"
#include "config/oauth_sign_ins.h"
#include "dialogs/alert_choice.h"
#include "dialogs/auth_choice.h"
#include "dialogs/read_state_choice.h"
#include "platform/secret_store.h"

#include <QDialog>
#include <QString>
#include <cstdint>
#include <optional>
#include <string>

class QCheckBox;
class QComboBox;
class QLineEdit;

namespace ombrix {

struct AccountRecord;

class ChangeKonto final : public QDialog {
public:
    // `row` is the row of the table the editor works on (-1 or a row
    // past accountCount: none, and OK changes nothing).
    explicit ChangeKonto(int row, QWidget* parent = nullptr);

    int editedAccount() const { return account_; }
    // The SSL box as the editor tracks it: 0 or 1.
    std::uint8_t sslBoxState() const { return sslBoxState_; }

    // OK: takes the non-empty edits into the account and closes, unless a
    // text holds a line break (then it says so and stays open). With OAuth
    // chosen for a new provider, server, user, protocol or port (or "sign in
    // again"), the sign-in comes first, and the dialog stays open when it
    // does not succeed.
    void accept() override;
    // Accepted with "forget the accepted certificate" ticked: the pin of the
    // server the account had when the dialog opened goes.
    void done(int result) override;

    // The browse dialog of the alert's wave file; tests put their own in.
    void setWaveFileChooser(WaveFileChooser chooser) { alert_.setFileChooser(std::move(chooser)); }

private:
    // A text edit and what it showed when the dialog opened.
    struct TextField {
        QLineEdit* edit = nullptr;
        QString shown;
    };

    AccountRecord* editedRecord() const;
    void fillFrom(const AccountRecord& account);
    void showPin(const AccountRecord& account);
    bool refusesControlCharacters() const;
    void storeInto(AccountRecord& account) const;
    static void storeText(const TextField& field, std::string& value);
    static std::string edited(const TextField& field, const std::string& value);
    SecretKey editedKey(const AccountRecord& account) const;

    void authChosen();
    bool needsSignIn(const AccountRecord& account, const std::string& provider) const;
    void acceptWithPassword(AccountRecord& account);
    void signIn(const AccountRecord& account, const std::string& provider);
    void signedIn(const OAuthSignIn& signIn);
    // Into ombrix.conf under the name the account had when the dialog
    // opened; the account commands carry it on to a new name.
    void keepAlert();
    // The read-state switches the same way (config/read_state_switches.h).
    void keepReadState();

    const int account_;
    std::uint8_t sslBoxState_ = 0;
    TextField address_, server_, user_, password_;
    QLineEdit* port_ = nullptr;
    QCheckBox* ssl_ = nullptr;
    QComboBox* protocol_ = nullptr;
    AuthChoice auth_;
    QCheckBox* signInAgain_ = nullptr;
    std::string providerBefore_;              // the account's, when the dialog opened
    std::optional<OAuthSignIn> signInBefore_; // its entries in ombrix.conf
    bool signingIn_ = false;
    AlertChoice alert_;
    SecretKey keyBefore_;      // the account's name in ombrix.conf when the dialog opened
    AccountAlert alertBefore_; // its alert then
    ReadStateChoice readState_;
    ReadStateSwitches readStateBefore_;
    QCheckBox* forgetPin_ = nullptr;
    std::string pinnedPeer_; // the server whose certificate is pinned; "" for none
};

} // namespace ombrix
