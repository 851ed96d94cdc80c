#pragma once
// IMAP AUTHENTICATE with a bearer token (XOAUTH2 or OAUTHBEARER), on a
// connection whose greeting has been read.

#include "proto/bearer_sign_in.h"
#include "proto/reply_buffer.h"
#include "proto/sasl_bearer.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace ombrix {

class CMailSocket;

// The capabilities a reply names: the words of a "[CAPABILITY ...]" response
// code (a greeting) or of an untagged "* CAPABILITY ..." line; empty without
// either.
std::vector<std::string> imapCapabilities(std::string_view reply);

// The mechanisms of the AUTH=... capabilities.
std::vector<std::string> imapAuthMechanisms(const std::vector<std::string>& capabilities);

// Signs in with the token, the greeting in `reply`: asks for the
// capabilities when the greeting did not name them, picks the mechanism,
// sends the initial response inline with SASL-IR (else after the server's
// "+"), and answers a failure challenge as the mechanism requires before
// taking the refusal. Runs on the worker thread.
BearerAttempt imapAuthenticate(CMailSocket& socket, ReplyBuffer& reply, const BearerTarget& target,
                               const std::string& token, std::uint32_t timeoutMs);

} // namespace ombrix
