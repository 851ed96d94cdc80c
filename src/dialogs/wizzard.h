#pragma once
// The six-step new-account wizard: one question at a time (address,
// protocol, SSL, server, user name, password); the new account is appended
// to the table only after the last answer. The last step also offers OAuth
// (chosen at once where the server's name is a preset's): the user signs in
// in the browser instead of typing a password.

#include "config/oauth_sign_ins.h"
#include "core/account_rules.h"
#include "dialogs/auth_choice.h"
#include "platform/dialog_builder.h"

#include <QDialog>
#include <cstdint>
#include <optional>
#include <string>

class QComboBox;
class QLabel;
class QLineEdit;

namespace ombrix {

// The answers, kept between the steps; every step writes its own before use.
struct WizardAnswers {
    std::int32_t step = 0;
    std::string address;
    std::string server;
    std::string user;
    std::string password;
    std::uint8_t protocol = 0; // 1 = IMAP
    std::uint8_t ssl = 0;
    std::string port;
};

class CWizzard final : public QDialog {
public:
    // exec() gives Accepted once the account has been added, else Rejected.
    explicit CWizzard(QWidget* parent = nullptr);

    // The next button: handles the step being answered.
    void next();
    const WizardAnswers& answers() const { return answers_; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    void showStep(int step, const QString& question);
    void showHint(const QString& hint);
    void askForText();
    // The answer edit's text, or nothing after telling the user why not.
    std::optional<std::string> textAnswer(const char* missingText, AccountField field);
    int selectedChoice() const;

    void takeAddress();
    void takeProtocol();
    void takeSsl();
    void takeServer();
    void takeUser();
    void takePassword();
    NewAccount newAccount(const std::string& password) const;

    void offerSignIn();
    void authChosen();
    void signInNewAccount(const std::string& provider);
    void addSignedIn(const NewAccount& account, const OAuthSignIn& signIn);

    QLineEdit* answer_ = nullptr;
    QComboBox* choice_ = nullptr;
    DialogControls controls_; // the question and the hint change texts step by step
    QLabel* question_ = nullptr;
    QLabel* hint_ = nullptr;
    AuthChoice auth_;
    bool signingIn_ = false;
    WizardAnswers answers_;
};

} // namespace ombrix
