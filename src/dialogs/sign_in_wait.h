#pragma once
// The wait for the sign-in in the browser: says where to sign in, shows the
// address for a desktop on which no browser opens, and offers to cancel. The
// sign-in runs on a thread of its own; the dialog closes when it is over,
// accepted after a sign-in whose tokens were kept.

#include "dialogs/sign_in_task.h"
#include "platform/dialog_builder.h"

#include <QDialog>

class QPushButton;

namespace ombrix {

class SignInWait final : public QDialog {
public:
    SignInWait(const oauth::ProviderSettings& provider, const TokenAccount& account,
               const std::string& accountName, QWidget* parent = nullptr);

    // Starts the sign-in and opens the dialog without waiting for it.
    void begin();
    const SignInOutcome& outcome() const { return outcome_; }

    // Cancel, Escape and the close box: the wait ends, then the dialog.
    void reject() override;

private:
    void finish(const SignInOutcome& outcome);

    DialogControls controls_;
    QPushButton* cancel_ = nullptr;
    SignInTask* task_ = nullptr;
    SignInOutcome outcome_;
    bool over_ = false;
};

} // namespace ombrix
