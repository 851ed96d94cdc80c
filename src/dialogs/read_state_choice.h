#pragma once
// The account editor's two switches of an IMAP account's read state: marks
// follow the server's \Seen, and marks made here go to the server. POP3
// servers keep no read state, so the boxes are disabled while POP3 is
// chosen; what they show is kept for the day the account turns IMAP.

#include "config/read_state_switches.h"

class QCheckBox;
class QComboBox;
class QWidget;

namespace ombrix {

class DialogControls;

class ReadStateChoice {
public:
    ReadStateChoice() = default;
    // The controls of res/account_dialog_templates.h; they outlive the choice.
    explicit ReadStateChoice(const DialogControls& controls);

    // Follows the protocol box; `context` owns the connection.
    void connect(QWidget& context, QComboBox& protocol);

    void show(const ReadStateSwitches& switches);
    ReadStateSwitches chosen() const;
    // ombrix.conf could not take the choice.
    static const char* notSavedText();

private:
    void enableFor(const QComboBox& protocol);

    QCheckBox* followServer_ = nullptr;
    QCheckBox* markOnServer_ = nullptr;
};

} // namespace ombrix
