#pragma once
// Account tables as the window saves them after a run, up to the largest the
// program holds (20 accounts of 3000 mails); every mail has a body preview of
// 2000 bytes.

#include "core/account_table.h"

#include <cstdint>
#include <string>

namespace ombrix::bench {

// `count` accounts of `mails` mails each.
inline void fillTable(const std::string& host, const std::string& port, int count, int mails) {
    accountCount = static_cast<std::uint32_t>(count);
    for (int k = 0; k < count; ++k) {
        AccountRecord& a = accounts[k];
        a.name = "someone@example.org";
        // An empty password would be looked for in the keyring.
        a.user = "someone";
        a.password = "secret";
        a.host = host;
        a.port = port;
        a.mailCount = mails;
        for (int i = 0; i < mails; ++i)
            a.mails.setMail(i, MailEntry{"Tue, 07 Mar 2006 10:00:00 +0100", std::string(2000, 'b'),
                                         static_cast<std::uint32_t>(i),
                                         static_cast<std::uint8_t>(i % 2),
                                         "Sender Name <sender@example.org>",
                                         "A subject line of a typical length for a mail",
                                         std::to_string(i), 7, 3, 2006, 4000});
    }
}

inline void fillFullTable(const std::string& host, const std::string& port) {
    fillTable(host, port, kMaxAccounts, kMaxMails);
}

} // namespace ombrix::bench
