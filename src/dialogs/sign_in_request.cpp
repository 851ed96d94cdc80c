#include "dialogs/sign_in_request.h"

#include "config/program_conf.h"
#include "dialogs/custom_provider_dialog.h"
#include "dialogs/sign_in_wait.h"
#include "oauth/providers.h"
#include "oauth/refresh_tokens.h"
#include "platform/message_box.h"

namespace ombrix {
namespace {

void waitForBrowser(QWidget& parent, const SignInRequest& request, const SignInDone& done) {
    const oauth::ProviderLookup provider =
        oauth::providerSettings(request.signIn, request.key.protocol, readProgramConf());
    if (!provider.settings) {
        messageBox(provider.failure);
        done(std::nullopt);
        return;
    }
    const TokenAccount account{request.signIn.provider, request.key.host, request.key.user,
                               request.key.protocol, request.key.port};
    auto* wait = new SignInWait(*provider.settings, account, request.accountName, &parent);
    wait->setAttribute(Qt::WA_DeleteOnClose);
    QObject::connect(wait, &QDialog::finished, &parent, [wait, signIn = request.signIn, done] {
        const SignInOutcome& outcome = wait->outcome();
        if (!outcome.ok) {
            if (!outcome.cancelled)
                messageBox(outcome.failure);
            done(std::nullopt);
            return;
        }
        if (const std::string notice = oauth::takeRefreshTokenNotice(); !notice.empty())
            messageBox(notice);
        done(signIn);
    });
    wait->begin();
}

} // namespace

void signInAccount(QWidget& parent, const SignInRequest& request, SignInDone done) {
    if (request.signIn.provider != oauth::kCustom) {
        waitForBrowser(parent, request, done);
        return;
    }
    auto* endpoints = new CustomProviderDialog(request.signIn.custom, &parent);
    endpoints->setAttribute(Qt::WA_DeleteOnClose);
    QObject::connect(endpoints, &QDialog::finished, &parent,
                     [&parent, endpoints, request, done](int result) {
                         if (result != QDialog::Accepted) {
                             done(std::nullopt);
                             return;
                         }
                         SignInRequest typed = request;
                         typed.signIn.custom = endpoints->provider();
                         waitForBrowser(parent, typed, done);
                     });
    endpoints->open();
}

} // namespace ombrix
