#pragma once
// The process-wide account table: 20 fixed slots, each with its settings, its
// check state and its list of up to 3000 mails. Plain data by design; the
// rules of who writes what and when live with the runs. A slot's mail list
// holds what its mails hold (see core/mail_list.h), so a slot costs what its
// mails cost.

#include "core/mail_list.h"
#include "platform/secret_store.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>

namespace ombrix {

inline constexpr int kMaxAccounts = 20;
inline constexpr int kMaxMails = 3000;

struct AccountRecord {
    std::string name;
    std::string host;
    std::string user;
    std::string password;      // clear text in memory, scrambled on disk
    std::uint8_t useSsl = 0;   // any value but 0 switches TLS on
    std::uint8_t protocol = 0; // 1 = IMAP, anything else = POP3
    std::string port;          // decimal digits, converted when connecting
    std::string uidValidity;
    std::string uidNext;
    std::uint8_t deactivated = 0;
    // As obx.msf stores it: -1 reads as 0; never above kMaxMails. The runs and
    // the files keep mails.size() at the valid count; entries past it, where
    // a caller wrote some, are never shown nor stored.
    std::int32_t mailCount = 0;
    MailList mails;
    std::uint8_t errorFlag = 0;
    std::string errorText;
    std::uint8_t checked = 0;
    // In memory only: the password lives in the desktop keyring, and obx.dat
    // holds an empty password field for the account.
    std::uint8_t passwordInKeyring = 0;
    // In memory only: the server, user, protocol or port was edited before
    // the password came from the keyring; it is still in the item of these.
    std::optional<SecretKey> passwordItemBefore;
    // In memory only, kept in ombrix.conf: "google", "microsoft" or "custom"
    // for an account that signs in with OAuth 2.0 (its password field is
    // unused); empty for a password login.
    std::string oauthProvider;
    // In memory only, kept in ombrix.conf beside the list it belongs to: the
    // mailbox's HIGHESTMODSEQ when the list's read flags were last brought in
    // line with the server (empty: unknown, every flag is asked for again).
    std::string highestModseq;
    // In memory only: the mails check runs found new here since the window
    // last announced new mail (the account's share of newMailCount), so that
    // each account's alert choice can be asked.
    std::int32_t newMails = 0;
};

// mailCount clamped to 0..kMaxMails: -1 means "no mails", and nothing may
// ever index past the 3000 places whatever a file or server claimed.
int validMailCount(const AccountRecord& account);

// Back to the state of a slot at start-up: empty strings, no mails, active;
// the slot's mail storage goes back to the heap.
void clearAccount(AccountRecord& account);

// The table itself lives on the heap once; the reference never changes.
std::array<AccountRecord, kMaxAccounts>& accountTable();

// Shorthands so that code reads like the table is a plain global.
inline std::array<AccountRecord, kMaxAccounts>& accounts = accountTable();
inline std::uint32_t accountCount = 0;

} // namespace ombrix
