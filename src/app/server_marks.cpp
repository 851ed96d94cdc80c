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

ServerMarks::ServerMarks() : before_(tableSnapshot()) {}

void ServerMarks::send() const {
    if (!markPostbox)
        return;
    std::vector<MarkJob> jobs;
    {
        const TableAccess access;
        jobs = before_.jobsSince(readProgramConf());
    }
    for (MarkJob& job : jobs)
        markPostbox->post(std::move(job));
}

} // namespace ombrix
