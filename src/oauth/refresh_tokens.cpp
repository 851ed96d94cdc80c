#include "oauth/refresh_tokens.h"

#include "config/keyring_removals.h"
#include "config/oauth_sign_ins.h"
#include "config/program_conf.h"
#include "core/keyring_directory.h"
#include "core/password_keyring.h"
#include "oauth/oauth_texts.h"

#include <atomic>

namespace ombrix::oauth {
namespace {

enum NoticeState : int { kNoNotice, kNoticeDue, kNoticeGiven };
std::atomic<int> noticeState{kNoNotice};

SecretKey accountKey(const TokenAccount& account) {
    return {account.host, account.user, account.protocol, account.port};
}

std::string confKey(const TokenAccount& account) {
    return oauthConfKey(kConfOAuthRefreshToken, accountKey(account));
}

} // namespace

SecretKey refreshTokenKey(const TokenAccount& account) {
    return {account.host, account.user, account.protocol + "-oauth", account.port,
            keyringDirectory};
}

std::string refreshTokenLabel(const TokenAccount& account) {
    return "Ombrix OAuth: " + account.user + "@" + account.host;
}

StoredRefreshToken loadRefreshToken(const TokenAccount& account) {
    StoredRefreshToken stored{SecretOutcome::NotFound, {}};
    if (keyringChosen) {
        // A locked keyring asks the user once for every token and password.
        const SecretOutcome gate = keyringGate().open();
        const SecretLookup found =
            gate == SecretOutcome::Done
                ? lookupOwnSecret(refreshTokenKey(account), refreshTokenLabel(account))
                : SecretLookup{gate, {}};
        if (found.outcome == SecretOutcome::Done && !found.password.empty())
            return {SecretOutcome::Done, found.password};
        stored.outcome =
            found.outcome == SecretOutcome::Done ? SecretOutcome::NotFound : found.outcome;
    }
    const std::optional<std::string> inConf = readProgramConf().value(confKey(account));
    if (inConf && !inConf->empty())
        return {SecretOutcome::Done, *inConf};
    return stored;
}

bool storeRefreshToken(const TokenAccount& account, const std::string& label,
                       const std::string& token) {
    const std::string key = confKey(account);
    if (keyringChosen && keyringGate().open() == SecretOutcome::Done &&
        storeSecret(refreshTokenKey(account), label, token) == SecretOutcome::Done) {
        if (readProgramConf().value(key))
            updateProgramConf([&key](ProgramConf& conf) { conf.erase(key); });
        return true;
    }
    const std::error_code error =
        updateProgramConf([&key, &token](ProgramConf& conf) { conf.set(key, token); });
    int none = kNoNotice;
    if (keyringChosen) // with passwordStore=file the user asked for the file
        noticeState.compare_exchange_strong(none, kNoticeDue);
    return !error;
}

void forgetRefreshToken(const TokenAccount& account) {
    if (keyringChosen) {
        // Named first: a keyring that cannot remove it now, or the end of
        // the program, leaves it to a later settle.
        noteKeyringRemoval(refreshTokenKey(account));
        removeNamedKeyringItem(refreshTokenKey(account));
    }
    const std::string key = confKey(account);
    if (readProgramConf().value(key))
        updateProgramConf([&key](ProgramConf& conf) { conf.erase(key); });
}

std::string takeRefreshTokenNotice() {
    int due = kNoticeDue;
    if (!noticeState.compare_exchange_strong(due, kNoticeGiven))
        return {};
    return oauth_texts::refreshTokenInConf();
}

void resetRefreshTokenNotice() {
    noticeState = kNoNotice;
}

} // namespace ombrix::oauth
