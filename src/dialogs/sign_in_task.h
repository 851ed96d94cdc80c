#pragma once
// One browser sign-in of an account, on a thread of its own: the window
// keeps running while the user signs in, and what happened comes back queued
// onto the window thread. The tokens are kept on that thread as well, as
// the keyring may take its time.

#include "core/access_tokens.h"
#include "oauth/providers.h"

#include <QObject>
#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <thread>

namespace ombrix {

// Shows the user the provider's sign-in page; called on the window thread.
using SignInUrlOpener = std::function<void(const std::string& url)>;
// The desktop's browser, unless a test puts its own; an empty one restores it.
void setSignInUrlOpener(SignInUrlOpener opener);

struct SignInOutcome {
    bool ok = false;
    bool cancelled = false;
    std::string failure; // for the user when it neither succeeded nor was cancelled
};

class SignInTask final : public QObject {
public:
    struct Handlers {
        std::function<void(const std::string& url)> opened; // the address shown to the user
        std::function<void(const SignInOutcome&)> finished;
    };

    // `accountName` names the keyring item of the refresh token.
    SignInTask(oauth::ProviderSettings provider, TokenAccount account, std::string accountName,
               Handlers handlers, QObject* parent = nullptr);
    ~SignInTask() override; // stops the wait and joins the thread
    SignInTask(const SignInTask&) = delete;
    SignInTask& operator=(const SignInTask&) = delete;

    void start();
    // Ends the wait for the browser; `finished` follows with `cancelled` set.
    void cancel();

private:
    void run(); // on the task's own thread
    void openOnWindowThread(const std::string& url);

    oauth::ProviderSettings provider_;
    TokenAccount account_;
    std::string accountName_;
    Handlers handlers_;
    std::atomic<std::uint8_t> stop_{0};
    std::thread thread_;
};

} // namespace ombrix
