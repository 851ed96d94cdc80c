#pragma once
// The user's part of a sign-in from the account editor or the wizard: the
// endpoints of the mock provider typed into the dialog that asks for them,
// and the windows the sign-in opens, found as the user sees them.

#include "dialogs/custom_provider_dialog.h"
#include "res/account_dialog_templates.h"
#include "support/find_control.h"
#include "support/gui_wait.h"
#include "support/oauth_mock.h"

#include <QLineEdit>
#include <QPushButton>
#include <gtest/gtest.h>

namespace ombrix::test {

// The dialog of that kind that `owner` shows now, or nullptr.
template <class Dialog> Dialog* shownDialog(const QWidget& owner) {
    for (Dialog* dialog : owner.findChildren<Dialog*>())
        if (dialog->isVisible())
            return dialog;
    return nullptr;
}

inline void typeEndpoints(const QWidget& owner, const OAuthMock& mock) {
    CustomProviderDialog* endpoints = shownDialog<CustomProviderDialog>(owner);
    ASSERT_NE(endpoints, nullptr) << "no dialog asks for the endpoints";
    const std::pair<int, std::string> typed[] = {
        {res::kCustomAuthorizationUrl, mock.url("/authorize")},
        {res::kCustomTokenUrl, mock.url("/token")},
        {res::kCustomClientId, kMockClientId},
        {res::kCustomScope, "mail"}};
    for (const auto& [id, text] : typed)
        control<QLineEdit>(*endpoints, id)->setText(QString::fromStdString(text));
    control<QPushButton>(*endpoints, res::kCustomOk)->click();
}

} // namespace ombrix::test
