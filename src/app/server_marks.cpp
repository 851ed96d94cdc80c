#include "app/server_marks.h"

#include "config/program_conf.h"
#include "core/commit_bracket.h"
#include "mark/mark_postbox.h"

namespace ombrix {
namespace {

ReadSnapshot tableSnapshot() {
    const TableAccess access;
    return ReadSnapshot::ofTable();
}

} // namespace

ServerMarks::ServerMarks(MarkPostbox* postbox) : postbox_(postbox), before_(tableSnapshot()) {}

void ServerMarks::send() const {
    if (!postbox_)
        return;
    std::vector<MarkJob> jobs;
    {
        const TableAccess access;
        jobs = before_.jobsSince(readProgramConf());
    }
    for (MarkJob& job : jobs)
        postbox_->post(std::move(job));
}

} // namespace ombrix
