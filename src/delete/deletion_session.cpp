#include "delete/deletion_session.h"

#include "core/commit_bracket.h"
#include "core/error_text.h"
#include "core/run_flags.h"
#include "core/run_host.h"
#include "delete/delete_texts.h"
#include "proto/session_texts.h"

namespace ombrix {

// A server's text reaches the wait dialog, the account row and the terminal:
// one line, no control characters, bounded.
void DeletionSession::fail(std::string text) {
    const CommitBracket bracket;
    account.errorFlag = 1;
    account.errorText = boundedErrorText(text);
}

bool DeletionSession::aborted() const {
    return abortRequest != 0;
}

void DeletionSession::reportInconsistency() {
    if (inconsistent_)
        return;
    inconsistent_ = true;
    host.messageBox(delete_texts::inconsistent(), BoxKind::Ok);
}

void DeletionSession::decline(std::string why) {
    declined_ = true;
    why_ = std::move(why);
}

void DeletionSession::leaveUnconfirmed(std::string_view serverText) {
    if (!unconfirmed_.empty())
        return; // the first refusal tells why
    unconfirmed_ = serverText.empty() ? session_texts::noResponse() : boundedErrorText(serverText);
    why_ = delete_texts::notConfirmed(unconfirmed_);
}

} // namespace ombrix
