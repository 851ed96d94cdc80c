#include "app/checker_dlg.h"
#include "app/untrusted_certificate.h"
#include "app/window_commands.h"
#include "app/window_lists.h"
#include "config/program_directory.h"
#include "config/trusted_certificates.h"
#include "core/commit_bracket.h"
#include "core/language.h"
#include "dialogs/certificate_dialog.h"
#include "net/certificate_trust.h"
#include "platform/message_box.h"

#include <QTimer>

namespace ombrix {
namespace {

struct UntrustedServer {
    std::string peer;
    CertificateFacts facts;
};

std::optional<UntrustedServer> untrustedServerOf(int account) {
    const TableAccess access;
    const AccountRecord& record = accounts[account];
    std::optional<CertificateFacts> facts = untrustedCertificate(record);
    if (!facts)
        return std::nullopt;
    return UntrustedServer{peerName(record.host, record.port), std::move(*facts)};
}

std::string pinNotSavedText(const std::string& file, const std::error_code& error) {
    return Text("Das Zertifikat gilt bis zum Programmende, konnte aber nicht gespeichert werden: ",
                "The certificate is accepted until the program ends, but it could not be "
                "saved: ") +
           file + " (" + error.message() + ")";
}

} // namespace

// 109: the certificate of the selected account's server.
void WindowCommands::checkCertificate() {
    const int row = selectedAccountRow();
    if (row >= 0 && !tableBusy())
        askAboutCertificate(row);
}

// The window was opened by the user: the first account whose certificate is
// not trusted asks, once per certificate the user has not yet rejected. Queued,
// so that the window is shown before the question.
void WindowCommands::windowOpened() {
    QTimer::singleShot(0, this, [this] {
        if (tableBusy())
            return;
        for (int k = 0; k < static_cast<int>(std::min<std::uint32_t>(accountCount, kMaxAccounts));
             ++k) {
            const auto server = untrustedServerOf(k);
            if (server && !rejectedFingerprints_.contains(server->facts.sha256)) {
                askAboutCertificate(k);
                return;
            }
        }
    });
}

// Accepting pins the certificate for the server's host and port and checks
// again at once; rejecting changes nothing, and the account keeps its state.
void WindowCommands::askAboutCertificate(int account) {
    if (pinnedByUser(account))
        dialog_.checkNow();
}

bool WindowCommands::pinnedByUser(int account) {
    const TableHold hold(dialog_);
    const auto server = untrustedServerOf(account);
    if (!server)
        return false;
    CertificateDialog question(server->peer, server->facts, &dialog_);
    if (services_.runDialog(question) != QDialog::Accepted) {
        rejectedFingerprints_.insert(server->facts.sha256);
        return false;
    }
    if (const std::error_code error = pinCertificate(programDirectory, server->peer, server->facts))
        messageBox(pinNotSavedText(trustedCertificatesPath(programDirectory).string(), error));
    return true;
}

} // namespace ombrix
