#pragma once
// The account table has one writer at a time. A worker run changes the table
// only inside a CommitBracket (dataIdle is 0 exactly then, and only the run
// writes it); the window thread reads or changes it under a TableAccess, so a
// refresh or a save never sees half a commit and a commit never moves strings
// under a reader. Neither side waits for the other inside: a bracket is a
// short step of copying, exchanging or sorting.

#include <mutex>

namespace ombrix {

std::mutex& accountTableMutex();

// Worker thread: one step in which the run changes the table.
class CommitBracket {
public:
    CommitBracket();
    ~CommitBracket();
    CommitBracket(const CommitBracket&) = delete;
    CommitBracket& operator=(const CommitBracket&) = delete;

private:
    std::lock_guard<std::mutex> lock_;
};

// Window thread (or the command line): reading or changing the table while a
// run may be working. Never held across a dialog or anything that waits.
class TableAccess {
public:
    TableAccess() : lock_(accountTableMutex()) {}

private:
    std::lock_guard<std::mutex> lock_;
};

} // namespace ombrix
