#pragma once
// The largest account table the program holds: 20 accounts of 3000 mails,
// each with a body preview of 2000 bytes, as the window saves it after a run.

#include "core/account_table.h"

#include <cstdint>
#include <string>

namespace ombrix::bench {

inline void fillFullTable(const std::string& host, const std::string& port) {
    accountCount = kMaxAccounts;
    for (auto& a : accounts) {
        a.name = "someone@example.org";
        // An empty password would be looked for in the keyring.
        a.user = "someone";
        a.password = "secret";
        a.host = host;
        a.port = port;
        a.mailCount = kMaxMails;
        for (int i = 0; i < kMaxMails; ++i)
            storeMail(a, i,
                      MailEntry{"Tue, 07 Mar 2006 10:00:00 +0100", std::string(2000, 'b'),
                                static_cast<std::uint32_t>(i), static_cast<std::uint8_t>(i % 2),
                                "Sender Name <sender@example.org>",
                                "A subject line of a typical length for a mail", std::to_string(i),
                                7, 3, 2006, 4000});
    }
}

} // namespace ombrix::bench
