#include "proto/bearer_sign_in.h"

#include "proto/sasl_bearer.h"
#include "proto/session_texts.h"

namespace ombrix {

namespace {

std::string answerFailureText(const AccessTokenAnswer& answer) {
    if (answer.status == TokenStatus::SignInExpired)
        return signInExpiredText();
    // The source could not reach its token endpoint (or said nothing).
    return answer.errorText.empty() ? session_texts::couldNotConnect() : answer.errorText;
}

// One attempt with the source's token; a token that cannot be sent meets no server.
BearerAttempt attemptWith(const AccessTokenAnswer& answer, const BearerExchange& exchange) {
    if (answer.status == TokenStatus::Aborted)
        return {{LoginStatus::Aborted, answerFailureText(answer)}, false};
    if (answer.status != TokenStatus::Ready)
        return {{LoginStatus::Failed, answerFailureText(answer)}, false};
    if (!bearerTokenSendable(answer.token))
        return {{LoginStatus::Failed, signInExpiredText()}, true};
    return exchange(answer.token);
}

} // namespace

LoginResult signInWithToken(const TokenAccount& account, const BearerExchange& exchange,
                            const SharedFlag& stop) {
    BearerAttempt attempt = attemptWith(accessTokenFor(account, false, &stop), exchange);
    if (!attempt.tokenRefused)
        return attempt.result;
    attempt = attemptWith(accessTokenFor(account, true, &stop), exchange);
    if (attempt.tokenRefused)
        return {LoginStatus::Failed, signInExpiredText()};
    return attempt.result;
}

} // namespace ombrix
