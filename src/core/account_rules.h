#pragma once
// The rules every way of adding or changing an account shares (the wizard,
// the account editor, the command line): the port that goes with protocol and
// TLS, the refusal of control characters, the limit of 20 accounts.

#include <optional>
#include <string>
#include <string_view>

namespace ombrix {

// "110", "995", "143" or "993".
std::string defaultPort(bool imap, bool ssl);

// A byte below 32 or 127 (CR, LF, tab, ...).
bool hasControlCharacter(std::string_view text);

enum class AccountField { Address, Server, User, Password, Port };

// The message that refuses a control character in `field`. A user name or
// password with a line break would end its command early and start another on
// the server; the fields are written one per line to obx.dat, and a password
// byte 29 is stored shifted as 26, the text-mode end that cuts the file.
const char* controlCharacterText(AccountField field);

// "Limit von Emailaccounts erreicht" in the current language.
const char* accountLimitText();

// What the wizard's last step writes into a new slot.
struct NewAccount {
    std::string name, host, user, password, port;
    bool imap = false;
    bool ssl = false;
};

// The first field, in the order address, server, user, password, port, that
// holds a control character.
std::optional<AccountField> fieldWithControlCharacter(const NewAccount& account);

// Writes the account into slot accountCount and counts it. The other fields
// of the slot stay as start-up or the last deletion left them. Returns the
// new index, or -1 (and changes nothing) when all 20 slots are taken.
int appendAccount(const NewAccount& account);

} // namespace ombrix
