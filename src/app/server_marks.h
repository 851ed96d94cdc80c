#pragma once
// Marks made in the window reach the IMAP servers too. A command takes a
// ServerMarks before it changes read flags and calls send() once it has saved
// them; the postbox's thread talks to the servers, and the window goes on.

#include "mark/read_snapshot.h"

namespace ombrix {

class MarkPostbox;

class ServerMarks {
public:
    // Window thread; takes the table's lock for the copy. Without a postbox
    // the marks stay local.
    explicit ServerMarks(MarkPostbox* postbox);
    // Hands each account's changed flags to the postbox. Window thread.
    void send() const;

private:
    MarkPostbox* postbox_;
    ReadSnapshot before_;
};

} // namespace ombrix
