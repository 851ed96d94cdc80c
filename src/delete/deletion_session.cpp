#include "delete/deletion_session.h"

#include "check/run_flags.h"
#include "delete/delete_texts.h"
#include "platform/message_box.h"

namespace ombrix {

void DeletionSession::fail(std::string text) {
    account.errorFlag = 1;
    account.errorText = std::move(text);
}

bool DeletionSession::aborted() const {
    return abortRequest != 0;
}

void DeletionSession::reportInconsistency() {
    if (inconsistent_)
        return;
    inconsistent_ = true;
    messageBox(delete_texts::inconsistent(), BoxKind::Ok);
}

} // namespace ombrix
