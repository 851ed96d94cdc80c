#pragma once
// The POP3 login shared by the check run and the deletion run: connect, read
// the greeting, USER, PASS; or CAPA and AUTH with a bearer token for an OAuth
// account.

#include "core/account_table.h"
#include "proto/login_result.h"
#include "proto/reply_buffer.h"

#include <cstdint>
#include <functional>
#include <string>

namespace ombrix {

class CMailSocket;

// The buffer for a POP3 status line of the check ("+OK 3 1200" and the like).
inline constexpr std::uint32_t kPop3StatusLineSize = 200;

struct Pop3LoginSteps {
    std::uint32_t timeoutMs = 16000;
    std::uint32_t greetingSize = 200; // the deletion run expects 1000
    // Called once the server has accepted the user name, or an OAuth sign-in
    // has picked its mechanism (the check's progress bar).
    std::function<void()> userAccepted;
    // Called once the password is sent, before its answer is awaited: work
    // that must be done anyway is done while the server checks it.
    std::function<void()> passwordSent;
};

// Connects to the account's host, port and TLS choice and logs in with its user
// and password (an OAuth account as signInWithToken describes, each attempt on
// a fresh connection). The greeting and both replies must be "+OK": a missing reply,
// or one cut short, fails with "mailserver does not respond", any other reply
// with the server's own text. On any outcome but LoggedIn the
// caller still closes the socket. Runs on the worker thread.
LoginResult pop3Login(CMailSocket& socket, ReplyBuffer& reply, const AccountRecord& account,
                      const Pop3LoginSteps& steps = {});

// Why the reply just received is no "+OK" (empty when it is one): a missing
// reply, or one cut short, does not respond; anything else is the server's
// own word, its first line (the rest of a garbled multi-line reply is mail).
std::string pop3Refusal(const ReplyBuffer& reply);

} // namespace ombrix
