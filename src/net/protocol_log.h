#pragma once
// With OMBRIX_PROTOCOL_LOG=<file> in the environment, every line sent and every
// chunk received is appended to that file ("C: ", "S: "), with the arguments of
// PASS and LOGIN masked. Without it nothing is written.

#include <string_view>

namespace ombrix::protocol_log {

// Called from the caller's thread.
void sent(std::string_view line);
// Called from the caller's thread as chunks are consumed.
void received(std::string_view chunk);
// What the connection layer itself decided ("* "), such as a refused certificate.
void note(std::string_view text);

} // namespace ombrix::protocol_log
