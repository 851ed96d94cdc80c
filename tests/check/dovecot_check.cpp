#include "check/dovecot_check.h"

#include "check/check_run.h"
#include "core/run_flags.h"
#include "net/mail_socket.h"
#include "support/protocol_log_notes.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <gtest/gtest.h>
#include <map>
#include <sstream>
#include <thread>

namespace ombrix::test {
namespace {

std::vector<std::string> sentLines(const std::string& log) {
    std::vector<std::string> lines;
    std::istringstream in(log);
    std::string line;
    while (std::getline(in, line)) {
        if (line.starts_with("C: "))
            lines.push_back(line.substr(3));
    }
    return lines;
}

// The verb of a sent line: its first word, or its second after an IMAP tag.
std::string verbOf(const std::string& line) {
    std::istringstream words(line);
    std::string first;
    std::string second;
    words >> first >> second;
    const bool tagged =
        first.size() == 4 && first[0] == 'a' &&
        std::all_of(first.begin() + 1, first.end(), [](char c) { return c >= '0' && c <= '9'; });
    return tagged ? second : first;
}

} // namespace

int portOf(const DovecotServer& server, const Endpoint& endpoint) {
    if (endpoint.protocol == MailProtocol::Pop3)
        return endpoint.tls ? server.pop3sPort : server.pop3Port;
    return endpoint.tls ? server.imapsPort : server.imapPort;
}

AccountRecord& configureAccount(int slot, const DovecotServer& server, const std::string& user,
                                const std::string& password, const Endpoint& endpoint) {
    AccountRecord& account = accounts[slot];
    clearAccount(account);
    account.name = user + "@" + endpoint.name;
    account.host = server.host;
    account.user = user;
    account.password = password;
    account.useSsl = endpoint.tls ? 1 : 0;
    account.protocol = endpoint.protocol == MailProtocol::Imap ? 1 : 0;
    account.port = std::to_string(portOf(server, endpoint));
    accountCount = std::max<std::uint32_t>(accountCount, static_cast<std::uint32_t>(slot + 1));
    return account;
}

RunOutcome runCheck(const std::string& trustedCa, const CheckTimeouts& timeouts) {
    const TempDir logDir;
    const std::string logFile = (logDir / "protocol.log").string();
    setenv("SSL_CERT_FILE", trustedCa.c_str(), 1);
    setenv("OMBRIX_PROTOCOL_LOG", logFile.c_str(), 1);
    windowHidden = 1;
    HeadlessRunHost host;
    std::thread worker([&host, &timeouts] { CheckThread(host, timeouts); });
    worker.join();
    unsetenv("OMBRIX_PROTOCOL_LOG");

    RunOutcome outcome;
    outcome.newMails = newMailCount;
    outcome.runDoneCount = host.runDoneCount;
    const std::string log = std::filesystem::exists(logFile) ? readBytes(logFile) : "";
    outcome.receiveTimeouts =
        static_cast<std::uint32_t>(protocolLogNotes(log, kReceiveTimeoutNote));
    outcome.commands = sentLines(log);
    return outcome;
}

std::vector<MailEntry> inServerOrder(const AccountRecord& account) {
    std::vector<MailEntry> mails;
    for (int i = 0; i < validMailCount(account); ++i)
        mails.push_back(account.mails.mail(i));
    std::ranges::sort(mails, {}, &MailEntry::serverPosition);
    return mails;
}

void expectListMatchesServer(const AccountRecord& account, const Endpoint& endpoint,
                             const DovecotServer& server, const std::string& user) {
    const MailboxListing listing = listMailbox(server, user);
    std::map<std::string, ManifestMail> generated;
    for (ManifestMail& mail : readManifest(server, user))
        generated[mail.messageId] = std::move(mail);

    const std::vector<MailEntry> mails = inServerOrder(account);
    ASSERT_EQ(mails.size(), listing.mails.size());
    for (std::size_t i = 0; i < mails.size(); ++i) {
        const ServerMail& held = listing.mails[i];
        SCOPED_TRACE("message " + std::to_string(held.sequence) + " <" + held.messageId + ">");
        ASSERT_EQ(generated.count(held.messageId), 1u);
        const ManifestMail& expected = generated.at(held.messageId);
        const MailEntry& mail = mails[i];
        EXPECT_EQ(mail.serverPosition, i);
        EXPECT_EQ(mail.from, expected.from);
        EXPECT_EQ(mail.subject, expected.subject);
        EXPECT_EQ(mail.date, expected.date);
        EXPECT_EQ(mail.day, expected.day);
        EXPECT_EQ(mail.month, expected.month);
        EXPECT_EQ(mail.year, expected.year);
        EXPECT_EQ(mail.size, expected.size);
        EXPECT_EQ(mail.size, held.size);
        if (endpoint.protocol == MailProtocol::Pop3)
            EXPECT_EQ(mail.uid, held.pop3Uidl + "\r\n");
        else
            EXPECT_EQ(mail.uid, std::to_string(held.uid));
    }
}

int countCommands(const RunOutcome& outcome, const std::string& verb) {
    return static_cast<int>(std::ranges::count_if(
        outcome.commands, [&verb](const std::string& line) { return verbOf(line) == verb; }));
}

std::string listDate(const ManifestMail& mail) {
    char text[16];
    std::snprintf(text, sizeof text, "%02d.%02d.%04d", mail.day, mail.month, mail.year);
    return text;
}

} // namespace ombrix::test
