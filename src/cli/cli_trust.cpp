#include "cli/cli_command.h"
#include "cli/interrupt_watch.h"
#include "cli/terminal_text.h"
#include "config/program_directory.h"
#include "config/trusted_certificates.h"
#include "core/account_table.h"
#include "core/language.h"
#include "core/process_state.h"
#include "core/run_flags.h"
#include "net/certificate_texts.h"
#include "net/certificate_trust.h"
#include "net/mail_socket.h"
#include "proto/login_result.h"

#include <algorithm>
#include <charconv>
#include <istream>
#include <ostream>

namespace ombrix {
namespace {

int accountIndex(const std::vector<std::string>& positionals) {
    if (positionals.size() != 1)
        throw UsageError("--trust takes one account index");
    const std::string& text = positionals.front();
    int value = -1;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc{} || end != text.data() + text.size() || value < 0 ||
        static_cast<std::uint32_t>(value) >= accountCount)
        throw UsageError("there is no account " + text);
    return value;
}

void printFacts(std::ostream& out, const std::string& peer, const CertificateFacts& facts) {
    namespace t = certificate_texts;
    const auto line = [&out](const char* label, const std::string& value) {
        out << label << ": " << terminalLine(value) << '\n';
    };
    line(t::server(), peer);
    line(t::reason(), t::reasonText(facts.reason));
    line(t::subject(), facts.subject);
    line(t::issuer(), facts.issuer);
    line(t::validFrom(), facts.notBefore);
    line(t::validUntil(), facts.notAfter);
    line(t::fingerprint(), facts.sha256);
    if (facts.replacesPin())
        line(t::pinnedFingerprint(), facts.pinnedSha256);
    line(t::faults(), t::faultsText(facts.faults));
}

bool confirmed(const CliStreams& io, const CertificateFacts& facts) {
    if (facts.replacesPin())
        io.err << certificate_texts::changed() << '\n';
    else if (facts.widensPin())
        io.err << certificate_texts::newFaults() << '\n';
    io.err << Text("Dieses Zertifikat dauerhaft akzeptieren? Geben Sie \"ja\" ein: ",
                   "Accept this certificate permanently? Type \"yes\": ")
           << std::flush;
    std::string answer;
    if (!std::getline(io.in, answer))
        return false;
    std::ranges::transform(answer, answer.begin(), [](char c) { return c | 0x20; });
    return answer == "yes" || answer == "ja";
}

bool connect(CMailSocket& socket, const AccountRecord& account) {
    return account.protocol == 1 ? socket.ConnectImap(account.host, true, account.port)
                                 : socket.ConnectPop3(account.host, true, account.port);
}

// A connect that worked: the certificate verifies, or it is the pinned one.
int alreadyTrusted(std::ostream& out, const std::string& peer) {
    out << (certificateTrust().isPinned(peer)
                ? Text("Das Zertifikat von ", "The certificate of ") + peer +
                      Text(" ist schon akzeptiert.", " is pinned already.")
                : Text("Das Zertifikat von ", "The certificate of ") + peer +
                      Text(" lässt sich überprüfen und braucht keine Ausnahme.",
                           " verifies; it needs no pin."))
        << '\n';
    return 0;
}

// The account's server as pins name it, or "" with a line on stderr for an
// account without SSL.
std::string sslPeer(const AccountRecord& account, std::ostream& err) {
    if (account.useSsl != 0)
        return peerName(account.host, account.port);
    err << "ombrix: "
        << Text("das Konto verwendet kein SSL und hat kein Zertifikat",
                "the account does not use SSL; it has no certificate")
        << '\n';
    return {};
}

// The pins on disk, read again now that the directory is ours: another
// command may have pinned meanwhile. False when account N no longer names
// the server the user was asked about.
bool stillThePeer(int index, const std::string& peer, const CliContext& context) {
    resetAccountsAndFlags();
    context.loadState(LoadScope::Accounts);
    return static_cast<std::uint32_t>(index) < accountCount && accounts[index].useSsl != 0 &&
           peerName(accounts[index].host, accounts[index].port) == peer;
}

int accountChanged(std::ostream& err) {
    err << "ombrix: "
        << Text("das Konto wurde geändert, während Sie gefragt wurden; nichts wurde gespeichert.",
                "the account was changed while you were asked; nothing was saved.")
        << '\n';
    return 1;
}

int savePinned(int index, const std::string& peer, const CertificateFacts& facts,
               const CliContext& context) {
    if (!stillThePeer(index, peer, context))
        return accountChanged(context.io.err);
    if (const std::error_code error = pinCertificate(programDirectory, peer, facts)) {
        context.io.err << "ombrix: " << trustedCertificatesPath(programDirectory).string() << ": "
                       << error.message() << '\n';
        return 1;
    }
    context.io.out << Text("Akzeptiert: ", "Pinned: ") << peer << '\n';
    return 0;
}

// --trust N --forget: the account's server certificate is no longer accepted
// unless it verifies.
int forget(int index, const CliContext& context) {
    if (const std::optional<int> code = refusedBeforeAsking(context))
        return *code;
    return whileHoldingDirectory(context, [&] {
        const std::string peer = sslPeer(accounts[index], context.io.err);
        if (peer.empty())
            return 1;
        bool forgotten = false;
        if (const std::error_code error = forgetPin(programDirectory, peer, forgotten)) {
            context.io.err << "ombrix: " << trustedCertificatesPath(programDirectory).string()
                           << ": " << error.message() << '\n';
            return 1;
        }
        context.io.out << (forgotten ? Text("Vergessen: ", "Forgotten: ")
                                     : Text("Kein akzeptiertes Zertifikat für ",
                                            "No pinned certificate for "))
                       << peer << '\n';
        return 0;
    });
}

} // namespace

// Shows the certificate that account N's server presents and, once the user
// typed "yes" (or with --yes), pins it for the server's host and port with
// the faults it shows. Exit 0 when the certificate is pinned or needs no pin,
// 1 when the user declined, the server could not be reached or the pin could
// not be saved. The connect and the question come before the directory is
// claimed. With --forget the account's pin is removed instead.
int runTrust(CommandArguments& arguments, const CliContext& context) {
    const bool yes = arguments.takeFlag("--yes");
    const bool forgetting = arguments.takeFlag("--forget");
    const std::vector<std::string> positionals = arguments.takePositionals();
    arguments.expectNoMore();
    if (forgetting && yes)
        throw UsageError("--trust takes --forget or --yes, not both");
    context.loadState(LoadScope::Accounts);
    const int index = accountIndex(positionals);
    if (forgetting)
        return forget(index, context);
    if (const std::optional<int> code = refusedBeforeAsking(context))
        return *code;
    const AccountRecord& account = accounts[index];
    const std::string peer = sslPeer(account, context.io.err);
    if (peer.empty())
        return 1;
    const InterruptWatch interrupts;
    CMailSocket socket{abortRequest};
    if (connect(socket, account)) {
        socket.Close();
        return alreadyTrusted(context.io.out, peer);
    }
    const auto& refused = socket.refusedCertificate();
    if (!refused) {
        context.io.err << "ombrix: " << terminalLine(account.host) << ":"
                       << terminalLine(account.port) << ": "
                       << terminalLine(connectFailureText(socket)) << '\n';
        return interrupts.exitStatus(1);
    }
    printFacts(context.io.out, peer, *refused);
    context.io.out << std::flush;
    if (!yes && !confirmed(context.io, *refused)) {
        context.io.err << Text("Nicht akzeptiert.", "Not pinned.") << '\n';
        return 1;
    }
    const CertificateFacts facts = *refused;
    return whileHoldingDirectory(context, [&] { return savePinned(index, peer, facts, context); });
}

} // namespace ombrix
