#pragma once
// The rules every way of adding or changing an account shares (the wizard,
// the account editor, the command line): the port that goes with protocol and
// TLS, the refusal of line breaks, the limit of 20 accounts.

#include <optional>
#include <string>
#include <string_view>

namespace ombrix {

// "110", "995", "143" or "993".
std::string defaultPort(bool imap, bool ssl);

bool hasLineBreak(std::string_view text);

enum class AccountField { Address, Server, User, Password };

// The message that refuses a line break (CR or LF) in `field`. A user name
// or password with one would end its command early and start another on the
// server; the other fields are written one per line to obx.dat.
const char* lineBreakText(AccountField field);

// "Limit von Emailaccounts erreicht" in the current language.
const char* accountLimitText();

// What the wizard's last step writes into a new slot.
struct NewAccount {
    std::string name, host, user, password, port;
    bool imap = false;
    bool ssl = false;
};

// The first field, in the order address, server, user, password, that holds
// a line break.
std::optional<AccountField> fieldWithLineBreak(const NewAccount& account);

// Writes the account into slot accountCount and counts it. The other fields
// of the slot stay as start-up or the last deletion left them. Returns the
// new index, or -1 (and changes nothing) when all 20 slots are taken.
int appendAccount(const NewAccount& account);

} // namespace ombrix
