#pragma once
// The hint shown before the mark-as-read question from the menu: the read
// column's header marks all mails faster. It offers to stop showing itself.

#include <QDialog>

class QCheckBox;

namespace ombrix {

class CReadTipp final : public QDialog {
public:
    explicit CReadTipp(QWidget* parent = nullptr);

    // OK: a ticked box clears settings.markAllHint. Escape and the close box
    // change nothing.
    void accept() override;

private:
    QCheckBox* dontShowAgain_ = nullptr;
};

} // namespace ombrix
