#pragma once
// The deletion run: removes the mails of the hand-over (delete_handover.h)
// from the server of its account, after proving that the server still
// holds exactly those mails. It writes only the account's errorFlag,
// errorText and checked; the deleted mails leave the list with the next check.

#include "core/run_host.h"
#include "delete/delete_handover.h"
#include "delete/deletion_session.h"

#include <string>

namespace ombrix {

enum class DeleteOutcome {
    Done,         // the server confirmed the deletion of every selected mail
    Aborted,      // the user stopped the run; ends like Done
    Inconsistent, // the server's mails differ from the list: nothing deleted, ends like Done
    Declined,     // deleting would have taken mails another program marked: nothing deleted
    Incomplete,   // the server refused or did not confirm a deletion: a box says so,
                  // then it ends like Done
    Failed,       // errorFlag and errorText of the account tell why
    NotStarted,   // no account named, or a check or deletion run is active
};

struct DeleteResult {
    DeleteOutcome outcome = DeleteOutcome::NotStarted;
    // For every outcome but Done: why not every selected mail is gone, in
    // the user's language.
    std::string why;
};

// One whole deletion run on the calling thread. After Done, Aborted,
// Inconsistent, Declined and Incomplete the wait dialog is closed, the
// account's checked is 0 and the window's RunDoneTimer is armed (100 ms);
// after Failed the wait dialog shows the failure with its button (a message
// box when the window is hidden) and closeOnButton is 1. Runs on the deletion
// thread.
DeleteResult runDeletion(RunHost& host, const DeletionRequest& request,
                         const DeleteTimeouts& timeouts = {});

// The thread procedure that the delete-mail command starts; returns 0.
// Runs on the deletion thread.
int DeleteThreadProc(RunHost& host, const DeletionRequest& request,
                     const DeleteTimeouts& timeouts = {});

} // namespace ombrix
