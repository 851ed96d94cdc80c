#include "core/commit_bracket.h"

#include "core/run_flags.h"

namespace ombrix {

std::mutex& accountTableMutex() {
    static std::mutex mutex;
    return mutex;
}

CommitBracket::CommitBracket() : lock_(accountTableMutex()) {
    dataIdle = 0;
}

CommitBracket::~CommitBracket() {
    dataIdle = 1;
}

} // namespace ombrix
