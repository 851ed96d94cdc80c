#pragma once
// With OMBRIX_PROTOCOL_LOG=<file> in the environment, every line sent and every
// chunk received is appended to that file ("C: ", "S: "), with the arguments of
// PASS, LOGIN and the initial responses of AUTH and AUTHENTICATE masked. Without it nothing is
// written.

#include <string_view>

namespace ombrix::protocol_log {

// One or more lines sent at once. Called from the caller's thread.
void sent(std::string_view lines);
// A line that is a credential and nothing else: only a placeholder is written.
void sentCredential();
// Called from the caller's thread as chunks are consumed.
void received(std::string_view chunk);
// What the connection layer itself decided ("* "), such as a refused certificate.
void note(std::string_view text);

} // namespace ombrix::protocol_log
