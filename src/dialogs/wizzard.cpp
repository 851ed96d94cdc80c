#include "dialogs/wizzard.h"

#include "core/account_rules.h"
#include "core/language.h"
#include "core/password_keyring.h"
#include "dialogs/wizzard_texts.h"
#include "oauth/account_sign_in.h"
#include "platform/display_qstring.h"
#include "platform/message_box.h"
#include "res/account_dialog_templates.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace ombrix {

using namespace wizard_texts;

CWizzard::CWizzard(QWidget* parent) : QDialog(parent) {
    controls_ = buildDialog(*this, res::wizardTemplate, Language);
    const DialogControls& controls = controls_;
    answer_ = controls.get<QLineEdit>(res::kWizardAnswer);
    choice_ = controls.get<QComboBox>(res::kWizardChoice);
    question_ = controls.get<QLabel>(res::kWizardQuestion);
    hint_ = controls.get<QLabel>(res::kWizardHint);

    // A drop-down with an edit field: typed text is read, never added as an entry.
    choice_->setEditable(true);
    choice_->setInsertPolicy(QComboBox::NoInsert);
    choice_->addItems({QStringLiteral("POP3"), QStringLiteral("IMAP")});
    choice_->setCurrentIndex(0);
    choice_->hide();
    hint_->hide();

    connect(controls.get<QPushButton>(res::kWizardNext), &QPushButton::clicked, this,
            &CWizzard::next);
    connect(controls.get<QPushButton>(res::kWizardCancel), &QPushButton::clicked, this,
            &CWizzard::reject);
    // The hidden OK button ends the wizard as cancel does: nothing is added.
    connect(controls.get<QPushButton>(res::kWizardOk), &QPushButton::clicked, this,
            &CWizzard::reject);

    auth_ = AuthChoice(controls.get<QComboBox>(res::kWizardAuth));
    connect(controls.get<QComboBox>(res::kWizardAuth), &QComboBox::currentIndexChanged, this,
            &CWizzard::authChosen);

    showStep(0, QString::fromUtf8(addressQuestion()));
    setModal(true);
}

void CWizzard::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    answer_->setFocus();
}

void CWizzard::next() {
    switch (answers_.step) {
    case 0:
        return takeAddress();
    case 1:
        return takeProtocol();
    case 2:
        return takeSsl();
    case 3:
        return takeServer();
    case 4:
        return takeUser();
    case 5:
        return takePassword();
    default:
        return;
    }
}

void CWizzard::showStep(int step, const QString& question) {
    answers_.step = step;
    setWindowTitle(QString::fromStdString(stepTitle(step)));
    controls_.setText(res::kWizardQuestion, question);
}

void CWizzard::showHint(const QString& hint) {
    controls_.setText(res::kWizardHint, hint);
    hint_->show();
}

void CWizzard::askForText() {
    answer_->clear();
    answer_->setFocus();
}

std::optional<std::string> CWizzard::textAnswer(const char* missingText, AccountField field) {
    const std::string text = fromDisplay(answer_->text());
    if (text.empty()) {
        messageBox(missingText);
        return std::nullopt;
    }
    if (hasControlCharacter(text)) {
        messageBox(controlCharacterText(field));
        return std::nullopt;
    }
    return text;
}

// The entry the choice box's text selects; -1 for typed text that names none.
int CWizzard::selectedChoice() const {
    return choice_->findText(choice_->currentText(), Qt::MatchFixedString);
}

void CWizzard::takeAddress() {
    const auto address = textAnswer(addressMissing(), AccountField::Address);
    if (!address)
        return;
    answers_.address = *address;
    choice_->show();
    answer_->hide();
    showHint(QString::fromUtf8(protocolHint()));
    showStep(1, QString::fromUtf8(protocolQuestion()));
}

void CWizzard::takeProtocol() {
    answers_.protocol = selectedChoice() != 0 ? 1 : 0;
    choice_->clear();
    choice_->addItems({QString::fromUtf8(noAnswer()), QString::fromUtf8(yesAnswer())});
    choice_->setCurrentIndex(0);
    showHint(QString::fromUtf8(sslHint()));
    showStep(2, QString::fromUtf8(sslQuestion()));
}

void CWizzard::takeSsl() {
    choice_->hide();
    answer_->show();
    answers_.ssl = selectedChoice() == 1 ? 1 : 0;
    answers_.port = defaultPort(answers_.protocol == 1, answers_.ssl == 1);
    askForText();
    showHint(QString::fromStdString(serverHint(answers_.protocol == 1)));
    showStep(3, QString::fromUtf8(serverQuestion()));
}

void CWizzard::takeServer() {
    const auto server = textAnswer(serverMissing(), AccountField::Server);
    if (!server)
        return;
    answers_.server = *server;
    askForText(); // the address is not offered as the user name
    showHint(QString::fromUtf8(userHint()));
    showStep(4, QString::fromUtf8(userQuestion()));
}

void CWizzard::takeUser() {
    const auto user = textAnswer(userMissing(), AccountField::User);
    if (!user)
        return;
    answers_.user = *user;
    answer_->setEchoMode(QLineEdit::Password);
    answer_->setStyleSheet(QStringLiteral("lineedit-password-character: 42")); // '*'
    hint_->hide();
    askForText();
    showStep(5, QString::fromUtf8(passwordQuestion()));
    offerSignIn();
}

NewAccount CWizzard::newAccount(const std::string& password) const {
    return {answers_.address, answers_.server,        answers_.user,    password,
            answers_.port,    answers_.protocol == 1, answers_.ssl == 1};
}

void CWizzard::takePassword() {
    if (const std::string provider = auth_.provider(); !provider.empty()) {
        signInNewAccount(provider);
        return;
    }
    const auto password = textAnswer(passwordMissing(), AccountField::Password);
    if (!password)
        return;
    answers_.password = *password;
    const NewAccount account = newAccount(answers_.password);
    oauth::forgetStaleSignIn(keyringKeyOf(account));
    // The opening command refuses at 20 accounts; a full table must still
    // never be written past.
    if (appendAccount(account) < 0) {
        messageBox(accountLimitText());
        reject();
        return;
    }
    messageBox(accountAdded());
    accept();
}

} // namespace ombrix
