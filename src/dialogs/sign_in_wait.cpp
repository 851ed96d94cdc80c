#include "dialogs/sign_in_wait.h"

#include "core/language.h"
#include "dialogs/sign_in_texts.h"
#include "oauth/oauth_texts.h"
#include "platform/display_qstring.h"
#include "res/account_dialog_templates.h"

#include <QLineEdit>
#include <QPushButton>

namespace ombrix {

SignInWait::SignInWait(const oauth::ProviderSettings& provider, const TokenAccount& account,
                       const std::string& accountName, QWidget* parent)
    : QDialog(parent) {
    controls_ = buildDialog(*this, res::signInWaitTemplate, Language);
    controls_.setText(res::kSignInText,
                      QString::fromStdString(sign_in_texts::browserOpened(provider.displayName)));
    controls_.setText(res::kSignInStatus, QString::fromStdString(oauth_texts::waitingForBrowser()));
    cancel_ = controls_.get<QPushButton>(res::kSignInCancel);
    connect(cancel_, &QPushButton::clicked, this, &SignInWait::reject);

    auto* url = controls_.get<QLineEdit>(res::kSignInUrl);
    SignInTask::Handlers handlers;
    handlers.opened = [url](const std::string& address) {
        url->setText(toDisplay(address));
        url->setCursorPosition(0);
    };
    handlers.finished = [this](const SignInOutcome& outcome) { finish(outcome); };
    task_ = new SignInTask(provider, account, accountName, std::move(handlers), this);
    setModal(true);
}

void SignInWait::begin() {
    task_->start();
    open();
}

void SignInWait::reject() {
    if (over_) {
        QDialog::reject();
        return;
    }
    cancel_->setEnabled(false); // the thread answers within a second
    task_->cancel();
}

void SignInWait::finish(const SignInOutcome& outcome) {
    outcome_ = outcome;
    over_ = true;
    if (outcome.ok)
        accept();
    else
        QDialog::reject();
}

} // namespace ombrix
