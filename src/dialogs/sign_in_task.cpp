#include "dialogs/sign_in_task.h"

#include "oauth/account_sign_in.h"
#include "oauth/oauth_texts.h"
#include "oauth/sign_in.h"
#include "platform/shell.h"

#include <mutex>

namespace ombrix {
namespace {

std::mutex openerMutex;
SignInUrlOpener installedOpener;

void openUrl(const std::string& url) {
    SignInUrlOpener opener;
    {
        const std::lock_guard lock(openerMutex);
        opener = installedOpener;
    }
    if (opener)
        opener(url);
    else
        openInBrowser(url); // where none opens, the wait dialog shows the address
}

} // namespace

void setSignInUrlOpener(SignInUrlOpener opener) {
    const std::lock_guard lock(openerMutex);
    installedOpener = std::move(opener);
}

SignInTask::SignInTask(oauth::ProviderSettings provider, TokenAccount account,
                       std::string accountName, Handlers handlers, QObject* parent)
    : QObject(parent), provider_(std::move(provider)), account_(std::move(account)),
      accountName_(std::move(accountName)), handlers_(std::move(handlers)) {}

SignInTask::~SignInTask() {
    stop_ = 1;
    if (thread_.joinable())
        thread_.join();
}

void SignInTask::start() {
    if (!thread_.joinable())
        thread_ = std::thread([this] { run(); });
}

void SignInTask::cancel() {
    stop_ = 1;
}

void SignInTask::openOnWindowThread(const std::string& url) {
    QMetaObject::invokeMethod(
        this,
        [this, url] {
            if (handlers_.opened)
                handlers_.opened(url);
            openUrl(url);
        },
        Qt::QueuedConnection);
}

void SignInTask::run() {
    oauth::BrowserSignIn how;
    how.openUrl = [this](const std::string& url) { openOnWindowThread(url); };
    how.loginHint = account_.user;
    how.stop = &stop_;
    const oauth::SignInResult result = oauth::signInWithBrowser(provider_, how);
    SignInOutcome outcome;
    outcome.cancelled = stop_ != 0;
    if (result.ok && !outcome.cancelled) {
        outcome.ok = oauth::keepSignIn(account_, accountName_, result.grant);
        if (!outcome.ok)
            outcome.failure = oauth_texts::signInNotKept();
    } else if (!outcome.cancelled) {
        outcome.failure = result.failure;
    }
    QMetaObject::invokeMethod(
        this,
        [this, outcome] {
            if (handlers_.finished)
                handlers_.finished(outcome);
        },
        Qt::QueuedConnection);
}

} // namespace ombrix
