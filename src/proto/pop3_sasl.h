#pragma once
// POP3 AUTH with a bearer token (XOAUTH2 or OAUTHBEARER, RFC 5034), on a
// connection whose greeting has been read.

#include "proto/bearer_sign_in.h"
#include "proto/reply_buffer.h"
#include "proto/sasl_bearer.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace ombrix {

class CMailSocket;

// Whether a CAPA reply came whole: a listing up to its terminator line, or a
// refusal. A listing cut where the buffer ends is not.
bool pop3CapaWhole(std::string_view capaReply);

// The mechanisms of the "SASL ..." line of a CAPA listing; empty without one.
std::vector<std::string> pop3SaslMechanisms(std::string_view capaReply);

// The AUTH command for a mechanism and its initial response: the response
// inline while the command stays within 255 octets (RFC 5034), else empty,
// and the response goes after the server's "+ ".
std::string pop3AuthCommand(BearerMechanism mechanism, std::string_view response);

// Asks CAPA for the mechanisms, picks one, sends AUTH and, when the server
// asks with an empty "+ ", the initial response; a failure challenge is
// answered as the mechanism requires before the "-ERR" is taken. `chosen` is
// called once a mechanism has been picked (the check's progress). Runs on the
// worker thread.
BearerAttempt pop3Authenticate(CMailSocket& socket, ReplyBuffer& reply, const BearerTarget& target,
                               const std::string& token, std::uint32_t timeoutMs,
                               const std::function<void()>& chosen);

} // namespace ombrix
