#pragma once
// An account's sign-in from a dialog: the endpoints first for a provider of
// the user's own, then the wait for the browser. Each step opens its window
// without blocking the caller; `done` gets the sign-in once its tokens were
// kept, or nothing after a cancel or a failure (the user was told why).

#include "config/oauth_sign_ins.h"
#include "platform/secret_store.h"

#include <functional>
#include <optional>
#include <string>

class QWidget;

namespace ombrix {

struct SignInRequest {
    OAuthSignIn signIn; // for "custom", the endpoints shown first
    SecretKey key;      // the server, user, protocol and port signed in for
    std::string accountName;
};

using SignInDone = std::function<void(const std::optional<OAuthSignIn>&)>;

void signInAccount(QWidget& parent, const SignInRequest& request, SignInDone done);

} // namespace ombrix
