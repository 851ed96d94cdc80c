#include "cli/cli_command.h"
#include "cli/cli_interrupt.h"
#include "config/program_directory.h"
#include "config/trusted_certificates.h"
#include "core/account_table.h"
#include "core/display_field.h"
#include "core/language.h"
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
        out << label << ": " << displayField(value) << '\n';
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
}

bool confirmed(const CliStreams& io, bool changed) {
    if (changed)
        io.err << certificate_texts::changed() << '\n';
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

} // namespace

// Shows the certificate that account N's server presents and, once the user
// typed "yes" (or with --yes), pins it for the server's host and port. Exit 0
// when the certificate is pinned or needs no pin, 1 when the user declined,
// the server could not be reached or the pin could not be saved.
int runTrust(CommandArguments& arguments, const CliContext& context) {
    const bool yes = arguments.takeFlag("--yes");
    const std::vector<std::string> positionals = arguments.takePositionals();
    arguments.expectNoMore();
    context.loadState(LoadScope::Accounts);
    const AccountRecord& account = accounts[accountIndex(positionals)];
    if (account.useSsl == 0) {
        context.io.err << "ombrix: "
                       << Text("das Konto verwendet kein SSL und hat kein Zertifikat",
                               "the account does not use SSL; it has no certificate")
                       << '\n';
        return 1;
    }
    const std::string peer = peerName(account.host, account.port);
    const InterruptWatch interrupts;
    CMailSocket socket{abortRequest};
    if (connect(socket, account)) {
        socket.Close();
        return alreadyTrusted(context.io.out, peer);
    }
    const auto& refused = socket.refusedCertificate();
    if (!refused) {
        context.io.err << "ombrix: " << displayField(account.host) << ":"
                       << displayField(account.port) << ": "
                       << displayField(connectFailureText(socket)) << '\n';
        return interrupts.exitStatus(1);
    }
    printFacts(context.io.out, peer, *refused);
    context.io.out << std::flush;
    if (!yes && !confirmed(context.io, refused->replacesPin())) {
        context.io.err << Text("Nicht akzeptiert.", "Not pinned.") << '\n';
        return 1;
    }
    if (const std::error_code error = pinCertificate(programDirectory, peer, *refused)) {
        context.io.err << "ombrix: " << trustedCertificatesPath(programDirectory).string() << ": "
                       << error.message() << '\n';
        return 1;
    }
    context.io.out << Text("Akzeptiert: ", "Pinned: ") << peer << '\n';
    return 0;
}

} // namespace ombrix
