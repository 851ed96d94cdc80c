#pragma once
// The IMAP login shared by the check run, the deletion run and the IDLE
// watchers: connect, read the greeting, LOGIN with the user name and password
// as IMAP strings, or AUTHENTICATE with a bearer token for an OAuth account.

#include "core/access_tokens.h"
#include "core/account_table.h"
#include "proto/login_result.h"
#include "proto/reply_buffer.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace ombrix {

class CMailSocket;

struct ImapLoginSteps {
    std::uint32_t timeoutMs = 16000;
};

// What a login needs of an account: small enough to copy to another thread.
struct ImapServer {
    std::string host;
    std::string port;
    bool useSsl = false;
    std::string user;
    std::string password;              // empty for an OAuth account
    std::optional<TokenAccount> oauth; // set for an account that signs in with OAuth

    bool operator==(const ImapServer&) const = default;
};

ImapServer imapServerOf(const AccountRecord& account);

// Connects (with the TLS rules of every connection) and logs in (an OAuth
// account as signInWithToken describes, each attempt on a fresh connection). An empty
// reply fails with "mailserver does not respond"; a tagged NO or BAD fails with
// the whole reply text (for a buffer that reports to imapRefused, the flag is
// cleared; the caller clears it before). The socket's abort flag makes the
// result Aborted. The caller closes the socket after. Runs on the worker
// thread.
LoginResult imapLogin(CMailSocket& socket, ReplyBuffer& reply, const ImapServer& server,
                      const ImapLoginSteps& steps = {});
LoginResult imapLogin(CMailSocket& socket, ReplyBuffer& reply, const AccountRecord& account,
                      const ImapLoginSteps& steps = {});

// The value as an IMAP atom when it is one, else as a quoted string with
// backslash and double quote escaped. Runs on any thread.
std::string imapAstring(std::string_view value);

// Checks a reply that must have come: empty means "mailserver does not respond",
// a refusal gives the reply text (and clears imapRefused); empty result = fine.
// Runs on the worker thread.
std::string imapReplyRefusal(std::string_view reply);
// As above for the reply just received, which must also be complete: one that
// the time-out or the end of the stream cut short does not respond. A buffer
// that reports only to itself (RefusalReport::BufferOnly) is judged by its own
// record and leaves imapRefused alone.
std::string imapReplyRefusal(const ReplyBuffer& reply);

} // namespace ombrix
