#pragma once
// The account editor: changes address, server, port, protocol, TLS, user
// name and password of one existing account, in place.

#include <QDialog>
#include <QString>
#include <cstdint>
#include <string>

class QCheckBox;
class QComboBox;
class QLineEdit;

namespace ombrix {

struct AccountRecord;

// The account the editor works on; set by the caller before it opens the
// dialog. -1 = none.
inline std::int32_t editedAccount = -1;
// The SSL box as the editor tracks it: 0 or 1.
inline std::uint8_t sslBoxState = 0;

class ChangeKonto final : public QDialog {
public:
    explicit ChangeKonto(QWidget* parent = nullptr);

    // OK: takes the non-empty edits into the account and closes, unless a
    // text holds a line break (then it says so and stays open).
    void accept() override;

private:
    // A text edit and what it showed when the dialog opened.
    struct TextField {
        QLineEdit* edit = nullptr;
        QString shown;
    };

    void fillFrom(const AccountRecord& account);
    bool refusesControlCharacters() const;
    void storeInto(AccountRecord& account) const;
    static void storeText(const TextField& field, std::string& value);

    TextField address_, server_, user_, password_;
    QLineEdit* port_ = nullptr;
    QCheckBox* ssl_ = nullptr;
    QComboBox* protocol_ = nullptr;
};

} // namespace ombrix
