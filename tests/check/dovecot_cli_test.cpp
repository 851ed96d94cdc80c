// The command-line front end end to end against the real test Dovecot: accounts
// added as a user would, one check run, the stored lists printed back.
// Users of this program: grace (mailbox changes).

#include "check/dovecot_check.h"
#include "cli/run_program.h"
#include "support/temp_dir.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <map>
#include <sstream>

namespace ombrix::test {
namespace {

const std::string kCliUser = "grace";

std::vector<std::string> sortedLines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    std::ranges::sort(lines);
    return lines;
}

class DovecotCli : public DovecotTest {
protected:
    ProgramResult run(std::vector<std::string> arguments, const std::string& input = "") {
        arguments.insert(arguments.begin(), {"--dir", dir.path().string()});
        return runOmbrix(arguments, input, {"SSL_CERT_FILE=" + server().caFile});
    }

    void addAccount(const std::string& name, const Endpoint& endpoint,
                    const std::string& password) {
        std::vector<std::string> arguments{
            "--add-account", "--name",      name,
            "--host",        server().host, "--user",
            kCliUser,        "--port",      std::to_string(portOf(server(), endpoint))};
        if (endpoint.protocol == MailProtocol::Imap)
            arguments.push_back("--imap");
        if (endpoint.tls)
            arguments.push_back("--ssl");
        const ProgramResult added = run(arguments, password);
        ASSERT_EQ(added.exitCode, 0) << added.err;
    }

    // The rows `--list` must print for account `index` on the endpoint, as
    // the generator recorded the mails and the server numbers them.
    std::vector<std::string> expectedRows(int index, const Endpoint& endpoint) {
        std::map<std::string, ManifestMail> generated;
        for (ManifestMail& mail : readManifest(server(), kCliUser))
            generated[mail.messageId] = std::move(mail);
        std::vector<std::string> rows;
        for (const ServerMail& held : listMailbox(server(), kCliUser).mails) {
            const ManifestMail& mail = generated.at(held.messageId);
            const std::string uid =
                endpoint.protocol == MailProtocol::Pop3 ? held.pop3Uidl : std::to_string(held.uid);
            // The row index depends on the sort; it is compared apart.
            rows.push_back(std::to_string(index) + "\t0\t" + mail.fromDisplay + "\t" +
                           mail.subjectDisplay + "\t" + listDate(mail) + "\t" +
                           std::to_string(mail.size) + "\t" + uid);
        }
        std::ranges::sort(rows);
        return rows;
    }

    TempDir dir;
};

// "A\tI\tREST" without the row index I.
std::vector<std::string> withoutRowIndex(const std::vector<std::string>& lines) {
    std::vector<std::string> result;
    for (const std::string& line : lines) {
        const std::size_t first = line.find('\t');
        const std::size_t second = line.find('\t', first + 1);
        result.push_back(line.substr(0, first) + line.substr(second));
    }
    std::ranges::sort(result);
    return result;
}

TEST_F(DovecotCli, CheckPrintsEachAccountsStatusAndListShowsTheDecodedMails) {
    const int count = 12;
    fillMailbox(server(), kCliUser, count, "cli");
    addAccount("pop", kPop3Plain, server().password(kCliUser));
    addAccount("imap secure", kImapTls, server().password(kCliUser));

    const ProgramResult checked = run({"--check"});
    EXPECT_EQ(checked.exitCode, 0) << checked.err;
    EXPECT_EQ(checked.out, "pop\t12 new mails !\nimap secure\t12 new mails !\n");

    const ProgramResult listed = run({"--list"});
    ASSERT_EQ(listed.exitCode, 0) << listed.err;
    std::vector<std::string> expected = expectedRows(0, kPop3Plain);
    const std::vector<std::string> imapRows = expectedRows(1, kImapTls);
    expected.insert(expected.end(), imapRows.begin(), imapRows.end());
    std::ranges::sort(expected);
    const std::vector<std::string> lines = sortedLines(listed.out);
    ASSERT_EQ(lines.size(), 2u * count);
    for (std::size_t i = 0; i < expected.size(); ++i)
        EXPECT_EQ(withoutRowIndex(lines)[i], expected[i]);
    // Each account's rows are numbered 0 .. count - 1.
    std::vector<std::string> indices;
    for (const std::string& line : lines)
        indices.push_back(line.substr(0, line.find('\t', line.find('\t') + 1)));
    for (int account = 0; account < 2; ++account)
        for (int row = 0; row < count; ++row)
            EXPECT_EQ(
                std::ranges::count(indices, std::to_string(account) + "\t" + std::to_string(row)),
                1);

    // A second run finds the same mails, still unread; nothing else changes.
    const ProgramResult again = run({"--check"});
    EXPECT_EQ(again.exitCode, 0) << again.err;
    EXPECT_EQ(again.out, checked.out);
    EXPECT_EQ(sortedLines(run({"--list"}).out), lines);
    EXPECT_EQ(run({"--unread"}).out, std::to_string(2 * count) + "\n");
}

TEST_F(DovecotCli, AFailedAccountShowsTheServersReplyAndExitsWithOne) {
    fillMailbox(server(), kCliUser, 2, "cli-fail");
    addAccount("good", kImapPlain, server().password(kCliUser));
    addAccount("bad", kPop3Tls, "wrong-" + server().password(kCliUser));

    const ProgramResult checked = run({"--check"});
    EXPECT_EQ(checked.exitCode, 1);
    // The reply's CR and LF are shown as blanks.
    EXPECT_EQ(checked.out, "good\t2 new mails !\n"
                           "bad\tError: -ERR [AUTH] Authentication failed.\n");
}

} // namespace
} // namespace ombrix::test
