#pragma once
// The account editor's choice of how the account's new mail is announced:
// as the program's settings say, with a wave file of its own, or not at all.
// A file that is missing or cannot be read is named at once below it, and OK
// is refused with it, so that no choice is kept that could not sound.

#include "config/account_alert.h"
#include "dialogs/wave_file_chooser.h"

#include <QString>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QWidget;

namespace ombrix {

class DialogControls;

class AlertChoice {
public:
    AlertChoice() = default;
    // The controls of res/account_dialog_templates.h; they outlive the choice.
    explicit AlertChoice(const DialogControls& controls);

    // Connects the controls; `context` owns the connections.
    void connect(QWidget& context);
    void setFileChooser(WaveFileChooser chooser) { chooseFile_ = std::move(chooser); }

    void show(const AccountAlert& alert);
    AccountAlert chosen() const;
    // OK: with an own wave file that is not there to play, says so in a
    // message box and returns true; the dialog then stays as it is.
    bool refusesMissingFile() const;

private:
    void browse();
    void update();
    AlertKind kind() const;
    QString problem() const; // empty while the choice can sound

    QComboBox* kind_ = nullptr;
    QLineEdit* file_ = nullptr;
    QPushButton* browse_ = nullptr;
    QLabel* notice_ = nullptr;
    WaveFileChooser chooseFile_ = chooseWaveFile;
};

} // namespace ombrix
