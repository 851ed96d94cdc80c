#include "dialogs/change_konto.h"

#include "config/program_conf.h"
#include "config/program_directory.h"
#include "config/trusted_certificates.h"
#include "core/account_rules.h"
#include "core/account_table.h"
#include "core/language.h"
#include "core/password_keyring.h"
#include "dialogs/alert_texts.h"
#include "net/certificate_texts.h"
#include "platform/dialog_builder.h"
#include "platform/display_qstring.h"
#include "platform/message_box.h"
#include "res/account_dialog_templates.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>

namespace ombrix {

AccountRecord* ChangeKonto::editedRecord() const {
    if (account_ < 0 || account_ >= std::int32_t(accountCount))
        return nullptr;
    return &accounts[account_];
}

ChangeKonto::ChangeKonto(int row, QWidget* parent) : QDialog(parent), account_(row) {
    const DialogControls controls = buildDialog(*this, res::accountEditorTemplate, Language);
    address_.edit = controls.get<QLineEdit>(res::kEditorAddress);
    server_.edit = controls.get<QLineEdit>(res::kEditorServer);
    user_.edit = controls.get<QLineEdit>(res::kEditorUser);
    password_.edit = controls.get<QLineEdit>(res::kEditorPassword);
    port_ = controls.get<QLineEdit>(res::kEditorPort);
    ssl_ = controls.get<QCheckBox>(res::kEditorSsl);
    protocol_ = controls.get<QComboBox>(res::kEditorProtocol);
    protocol_->addItems({QStringLiteral("POP3"), QStringLiteral("IMAP")});
    auto* auth = controls.get<QComboBox>(res::kEditorAuth);
    auth_ = AuthChoice(auth);
    signInAgain_ = controls.get<QCheckBox>(res::kEditorSignInAgain);
    forgetPin_ = controls.get<QCheckBox>(res::kEditorForgetPin);
    alert_ = AlertChoice(controls);
    alert_.connect(*this);
    readState_ = ReadStateChoice(controls);

    connect(ssl_, &QCheckBox::clicked, this, [this] { sslBoxState_ = sslBoxState_ == 1 ? 0 : 1; });
    connect(controls.get<QPushButton>(res::kEditorOk), &QPushButton::clicked, this,
            &ChangeKonto::accept);
    connect(controls.get<QPushButton>(res::kEditorCancel), &QPushButton::clicked, this,
            &ChangeKonto::reject);
    if (const AccountRecord* account = editedRecord())
        fillFrom(*account);
    // A preset is offered as soon as the server's name is one of its own.
    connect(server_.edit, &QLineEdit::textChanged, this, [this] {
        const AccountRecord* account = editedRecord();
        auth_.offer(edited(server_, account ? account->host : std::string()), providerBefore_);
    });
    connect(auth, &QComboBox::currentIndexChanged, this, &ChangeKonto::authChosen);
    auth_.offer(fromDisplay(server_.edit->text()), providerBefore_);
    auth_.choose(providerBefore_);
    readState_.connect(*this, *protocol_);
    setModal(true);
}

void ChangeKonto::fillFrom(const AccountRecord& account) {
    for (auto [field, value] : {std::pair{&address_, &account.name},
                                {&server_, &account.host},
                                {&user_, &account.user},
                                {&password_, &account.password}}) {
        field->shown = toDisplay(*value);
        field->edit->setText(field->shown);
    }
    protocol_->setCurrentIndex(account.protocol == 1 ? 1 : 0);
    sslBoxState_ = account.useSsl == 1 ? 1 : 0;
    ssl_->setChecked(sslBoxState_ == 1);
    port_->setText(toDisplay(account.port));
    providerBefore_ = account.oauthProvider;
    keyBefore_ = keyringKeyOf(account);
    const ProgramConf conf = readProgramConf();
    signInBefore_ = oauthSignInOf(conf, keyBefore_);
    alertBefore_ = accountAlertOf(conf, keyBefore_);
    alert_.show(alertBefore_);
    readStateBefore_ = readStateSwitchesOf(conf, keyBefore_);
    readState_.show(readStateBefore_);
    showPin(account);
}

// The faults the user accepted go in the box's text: what forgetting undoes.
void ChangeKonto::showPin(const AccountRecord& account) {
    const std::string peer = account.useSsl == 1 ? peerName(account.host, account.port) : "";
    const std::optional<CertificatePin> pin =
        peer.empty() ? std::nullopt : certificateTrust().pinOf(peer);
    if (!pin)
        return;
    pinnedPeer_ = peer;
    forgetPin_->setText(QString::fromStdString(
        Text("akzeptiertes Zertifikat vergessen (", "forget the accepted certificate (") +
        certificate_texts::faultsText(pin->faults) + ")"));
    forgetPin_->setToolTip(QString::fromStdString(pin->sha256));
    forgetPin_->show();
}

void ChangeKonto::done(int result) {
    if (result == QDialog::Accepted && !pinnedPeer_.empty() && forgetPin_->isChecked()) {
        bool forgotten = false;
        if (const std::error_code error = forgetPin(programDirectory, pinnedPeer_, forgotten))
            messageBox(Text("Konnte die Datei nicht speichern: ", "could not save the file: ") +
                       trustedCertificatesPath(programDirectory).string() + " (" + error.message() +
                       ")");
    }
    QDialog::done(result);
}

bool ChangeKonto::refusesControlCharacters() const {
    const std::pair<const QLineEdit*, AccountField> fields[] = {
        {address_.edit, AccountField::Address},
        {server_.edit, AccountField::Server},
        {user_.edit, AccountField::User},
        {password_.edit, AccountField::Password},
        {port_, AccountField::Port}};
    for (const auto& [edit, name] : fields) {
        if (hasControlCharacter(fromDisplay(edit->text()))) {
            messageBox(controlCharacterText(name));
            return true;
        }
    }
    return false;
}

// An edit left as it was keeps the stored bytes: a value that was shown
// through the windows-1252 fallback must not come back re-encoded as UTF-8.
void ChangeKonto::storeText(const TextField& field, std::string& value) {
    const QString text = field.edit->text();
    if (text.isEmpty() || text == field.shown)
        return;
    value = fromDisplay(text);
}

std::string ChangeKonto::edited(const TextField& field, const std::string& value) {
    std::string result = value;
    storeText(field, result);
    return result;
}

void ChangeKonto::storeInto(AccountRecord& account) const {
    storeText(address_, account.name);
    storeText(server_, account.host);
    storeText(user_, account.user);
    storeText(password_, account.password);
    if (!protocol_->currentText().isEmpty())
        account.protocol = protocol_->currentText() == QLatin1String("IMAP") ? 1 : 0;
    account.useSsl = sslBoxState_ == 1 ? 1 : 0;
    if (!port_->text().isEmpty())
        account.port = fromDisplay(port_->text());
}

void ChangeKonto::accept() {
    if (signingIn_ || refusesControlCharacters() || alert_.refusesMissingFile())
        return;
    AccountRecord* account = editedRecord();
    if (!account) {
        QDialog::accept();
        return;
    }
    const std::string provider = auth_.provider();
    if (provider.empty()) {
        acceptWithPassword(*account);
        return;
    }
    if (needsSignIn(*account, provider)) {
        signIn(*account, provider);
        return;
    }
    storeInto(*account);
    keepAlert();
    keepReadState();
    QDialog::accept();
}

void ChangeKonto::keepAlert() {
    const AccountAlert chosen = alert_.chosen();
    if (chosen == alertBefore_)
        return;
    if (updateProgramConf([&](ProgramConf& conf) { setAccountAlert(conf, keyBefore_, chosen); }))
        messageBox(alert_texts::notSaved());
}

void ChangeKonto::keepReadState() {
    const ReadStateSwitches chosen = readState_.chosen();
    if (chosen == readStateBefore_)
        return;
    if (updateProgramConf(
            [&](ProgramConf& conf) { setReadStateSwitches(conf, keyBefore_, chosen); }))
        messageBox(ReadStateChoice::notSavedText());
}

} // namespace ombrix
