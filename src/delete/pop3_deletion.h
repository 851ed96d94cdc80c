#pragma once
// The deletion run's conversation with a POP3 server: login, STAT, the
// verification of every selected mail, DELE for each, QUIT. Mails are deleted
// only when every one of them passed the verification.

#include "delete/deletion_session.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace ombrix {

// The whole POP3 dialogue; ends with QUIT and Close in every case, also after
// a failure, an abort or a failed verification. Runs on the deletion thread.
void runPop3Deletion(DeletionSession& session);

// The verification phase: true when every mail of the hand-over is still on
// the server at its position, with its unique id and subject. False after an
// abort, a failure (recorded) or a difference (reported).
// mailsOnServer is the count of STAT. Runs on the deletion thread.
bool verifyPop3Mails(DeletionSession& session, std::uint64_t mailsOnServer);

// Sends one POP3 command and reads its reply into the session's buffer.
// Runs on the deletion thread.
std::string_view pop3Command(DeletionSession& session, const std::string& line,
                             std::uint32_t timeoutMs, std::uint32_t expectedSize, bool singleLine,
                             bool dotList);

} // namespace ombrix
