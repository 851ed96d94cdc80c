#pragma once
// Asks whether the mails of all accounts or only of the selected account are
// to be marked as read. The caller applies the answer.

#include <QDialog>

namespace ombrix {

class CMarkRead final : public QDialog {
public:
    // What exec() returns.
    enum Result { AllAccounts = 0, SelectedAccount = 1, Cancel = 2 };

    explicit CMarkRead(QWidget* parent = nullptr);

    // Escape and a close from outside answer "cancel", never 0 ("all").
    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;
};

} // namespace ombrix
