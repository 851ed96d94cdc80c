#pragma once
// The endpoints, client id and scope of an OAuth provider of the user's own,
// asked before such a sign-in. The device-code address and a client secret,
// which only ombrix.conf or the command line set, are kept as they were.

#include "config/oauth_sign_ins.h"

#include <QDialog>

class QLineEdit;

namespace ombrix {

class CustomProviderDialog final : public QDialog {
public:
    explicit CustomProviderDialog(const CustomProvider& shown, QWidget* parent = nullptr);

    // What was typed; meaningful once the dialog was accepted.
    CustomProvider provider() const;

    // OK: refused (with a message) while an address or the client id is missing.
    void accept() override;

private:
    CustomProvider shown_;
    QLineEdit* authorizationUrl_ = nullptr;
    QLineEdit* tokenUrl_ = nullptr;
    QLineEdit* clientId_ = nullptr;
    QLineEdit* scope_ = nullptr;
};

} // namespace ombrix
